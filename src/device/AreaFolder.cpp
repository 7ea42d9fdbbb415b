#include "device/AreaFolder.h"

#include <string>
#include <system_error>

#include "device/FileIo.h"
#include "platform/ProgramPath.h"

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
    bool created = OpenFile(probe, FileMode::Create).IsOpen();
    RemoveFile(probe);
    return created;
}

}  // namespace

std::filesystem::path ChooseAreaFolder(const std::filesystem::path& exeDir)
{
    if (CanCreateFilesIn(exeDir)) return exeDir;
    std::filesystem::path folder = PathFromUtf8(UserStateDir()) / "Mirrex";
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

std::filesystem::path ProgramAreaFolder()
{
    return ChooseAreaFolder(PathFromUtf8(ProgramFolderOf(ProgramFilePath())));
}
