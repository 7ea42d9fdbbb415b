#include "platform/ProgramPath.h"

#include <pwd.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

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
