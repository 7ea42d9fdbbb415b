#pragma once
// What the pages find out about a file before they offer it.

#include <string>

// The file exists and may not be written: it carries the read-only
// attribute (no write permission at all) or this user may not write it. A
// missing file, a folder or one whose attributes cannot be read counts as
// writable. path is UTF-8.
bool IsReadOnlyFile(const std::string& path);
