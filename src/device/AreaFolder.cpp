#include "device/AreaFolder.h"

#include <system_error>

#include "device/FileIo.h"
#include "platform/ProgramPath.h"

namespace {

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

std::filesystem::path ProgramAreaFolder()
{
    return ChooseAreaFolder(PathFromUtf8(ProgramFolderOf(ProgramFilePath())));
}
