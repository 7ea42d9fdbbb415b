#include "device/AreaFolder.h"

#include <cstdlib>
#include <string>
#include <system_error>

#include "device/FileIo.h"

namespace {

// More jobs at once than any bench runs; beyond them the base is shared.
constexpr int kMostFolders = 64;
const char* const kLockFileName = ".mirrex-areas.lock";

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

HeldAreaFolder HeldAreaFolder::Take(const std::filesystem::path& base)
{
    HeldAreaFolder held;
    for (int number = 1; number <= kMostFolders; ++number) {
        std::filesystem::path folder = number == 1 ? base : base / ("areas-" + std::to_string(number));
        std::error_code ignored;
        if (number > 1) std::filesystem::create_directory(folder, ignored);
        if (held.m_lock.TryLock(folder / kLockFileName)) {
            held.m_path = folder;
            return held;
        }
        // A base that cannot hold a lock file cannot hold area files either.
        if (number == 1 && !std::filesystem::exists(base / kLockFileName, ignored)) break;
    }
    held.m_path = base;
    return held;
}
