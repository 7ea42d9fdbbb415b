#include "platform/ProgramPath.h"

#include <pwd.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

std::string HomeDir()
{
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/')
        return home;
    // No usable HOME (a service, a stripped environment): ask the user database.
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr)
        return entry->pw_dir;
    return "/tmp";
}

std::string XdgDir(const char* variable, const char* fallbackBelowHome)
{
    if (const char* value = std::getenv(variable); value != nullptr && value[0] == '/')
        return value;
    return HomeDir() + fallbackBelowHome;
}

}  // namespace

std::string ProgramFilePath()
{
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof buffer)
        return {};
    return std::string(buffer, static_cast<size_t>(length));
}

std::string ProgramFolderOf(const std::string& programPath)
{
    const auto separator = programPath.rfind('/');
    if (separator == std::string::npos)
        return programPath;
    return programPath.substr(0, separator);
}

std::string UserConfigDir()
{
    return XdgDir("XDG_CONFIG_HOME", "/.config");
}

std::string UserStateDir()
{
    return XdgDir("XDG_STATE_HOME", "/.local/state");
}

std::string UserDocumentsDir()
{
    const std::string home = HomeDir();
    const std::string key = "XDG_DOCUMENTS_DIR=";
    std::string found;
    std::ifstream file(UserConfigDir() + "/user-dirs.dirs");
    std::string line;
    while (std::getline(file, line)) {
        const std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, key.size(), key) != 0)
            continue;
        std::string value = line.substr(start + key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        // The file allows "$HOME/..." and absolute paths, nothing else.
        if (value.rfind("$HOME", 0) == 0)
            value = home + value.substr(5);
        else if (value.empty() || value.front() != '/')
            continue;
        found = value;  // the last assignment counts
    }
    std::error_code error;
    if (!found.empty() && std::filesystem::is_directory(found, error))
        return found;
    return home;
}
