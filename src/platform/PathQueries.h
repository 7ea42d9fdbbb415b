#pragma once
// What a path names, asked of the file system: a folder's entries, where a
// path leads, what a symbolic link says.

#include <optional>
#include <string>
#include <vector>

// The names in the folder, sorted, without "." and ".."; empty when it
// cannot be read.
std::vector<std::string> FolderEntries(const std::string& folder);

// The absolute path with every link resolved; empty when it leads nowhere.
std::string RealPathOf(const std::string& path);

// The text of a symbolic link; nullopt for anything else.
std::optional<std::string> LinkTargetOf(const std::string& path);
