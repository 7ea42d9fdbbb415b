#include <windows.h>

#include "platform/ProgramPath.h"
#include "platform/win32/WideText.h"

std::string ProgramFilePath()
{
    constexpr DWORD kCapacity = 4096;
    wchar_t path[kCapacity] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, path, kCapacity);
    // A path cut short at the capacity is no path at all.
    if (length == 0 || length >= kCapacity)
        return {};
    return Utf8Of(std::wstring_view(path, length));
}

std::string ProgramFolderOf(const std::string& programPath)
{
    const auto separator = programPath.find_last_of("\\/");
    if (separator == std::string::npos)
        return programPath;
    return programPath.substr(0, separator);
}
