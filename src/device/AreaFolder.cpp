#include "device/AreaFolder.h"

#include <cstdlib>
#include <system_error>

#include "device/FileIo.h"

namespace {

// Asking the folder's permissions is not enough (read-only mounts, ACLs):
// only creating a file tells.
bool CanCreateFilesIn(const std::filesystem::path& folder)
{
    if (folder.empty()) return false;
    std::filesystem::path probe = folder / ".mirrex-write-probe";
    bool created = OpenFile(probe, "wb") != nullptr;
    RemoveFile(probe);
    return created;
}

std::filesystem::path UserStateFolder()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && *state) return std::filesystem::path(state) / "Mirrex";
    const char* home = std::getenv("HOME");
    std::filesystem::path base = home && *home ? std::filesystem::path(home) : std::filesystem::temp_directory_path();
    return base / ".local" / "state" / "Mirrex";
}

}  // namespace

std::filesystem::path ChooseAreaFolder(const std::filesystem::path& exeDir)
{
    if (CanCreateFilesIn(exeDir)) return exeDir;
    std::filesystem::path folder = UserStateFolder();
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    return folder;
}
