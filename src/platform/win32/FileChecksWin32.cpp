#include "platform/FileChecks.h"

#include <windows.h>

#include "platform/Utf8Path.h"

bool IsReadOnlyFile(const std::string& path)
{
    if (path.empty())
        return false;
    const DWORD attributes = ::GetFileAttributesW(PathFromUtf8(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return false;
    return (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}
