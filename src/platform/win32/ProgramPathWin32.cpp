#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

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

// The user's local application data, which Windows keeps per user and
// machine (it does not roam); the temporary folder if it cannot be told.
std::string UserStateDir()
{
    PWSTR folder = nullptr;
    std::string found;
    if (::SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_CREATE, nullptr, &folder) == S_OK)
        found = Utf8Of(folder);
    ::CoTaskMemFree(folder);
    if (!found.empty())
        return found;
    wchar_t temporary[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, temporary);
    // Without its trailing backslash, as the other folders are given.
    return Utf8Of(std::wstring_view(temporary, length > 0 ? length - 1 : 0));
}

std::string UserDocumentsDir()
{
    PWSTR folder = nullptr;
    std::string found;
    if (::SHGetKnownFolderPath(FOLDERID_Documents, KF_FLAG_CREATE, nullptr, &folder) == S_OK)
        found = Utf8Of(folder);
    ::CoTaskMemFree(folder);
    // A profile without one (a service account): the local application data.
    return found.empty() ? UserStateDir() : found;
}
