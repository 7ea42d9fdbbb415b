#include "SaveTarget.h"

#include <system_error>

#include "device/FileIo.h"
#include "resources/CliTexts.h"

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace {

int ProcessId()
{
#ifdef _WIN32
    return _getpid();
#else
    return static_cast<int>(getpid());
#endif
}

// Creates a file beside the target and removes it again.
std::optional<std::string> WhyNoFileCanBeCreatedBeside(const std::filesystem::path& target)
{
    std::filesystem::path probe = target;
    probe += ".~probe" + std::to_string(ProcessId());
    FileError error;
    if (!OpenFile(probe, FileMode::CreateNew, &error)) return FileErrorReason(error);
    RemoveFile(probe);
    return std::nullopt;
}

}  // namespace

std::string FileErrorReason(const FileError& error)
{
    switch (error.kind) {
    case FileErrorKind::NoPermission: return texts::kCliTargetNoPermission;
    case FileErrorKind::ReadOnlyDisk: return texts::kCliTargetReadOnlyDisk;
    case FileErrorKind::DiskFull: return texts::kCliTargetDiskFull;
    case FileErrorKind::NameTooLong: return texts::kCliTargetNameTooLong;
    case FileErrorKind::NotFound: return texts::kCliFileFolderMissing;
    case FileErrorKind::NotAFile: return texts::kCliReportNotAFile;
    // The system's words are English on Linux: ours say as much.
    default: return texts::kCliFileCannotOpen;
    }
}

std::optional<std::string> WhyTargetCannotBeSaved(const std::filesystem::path& target)
{
    const std::string shown = Utf8FromPath(target);
    if (target.filename().empty()) return shown + texts::kCliTargetNoName;
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(target, error);
    if (std::filesystem::is_directory(status)) return shown + texts::kCliTargetIsFolder;
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        return shown + texts::kCliTargetNotAFile;
    }
    if (std::filesystem::is_regular_file(status) && !OpenFile(target, FileMode::Update)) {
        return shown + texts::kCliTargetReadOnly;
    }

    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    const std::filesystem::file_status folderStatus = std::filesystem::status(folder, error);
    if (!std::filesystem::exists(folderStatus)) return Utf8FromPath(folder) + texts::kCliFolderMissing;
    if (!std::filesystem::is_directory(folderStatus)) return Utf8FromPath(folder) + texts::kCliFolderNotAFolder;
    if (std::optional<std::string> reason = WhyNoFileCanBeCreatedBeside(target)) return Utf8FromPath(folder) + ": " + *reason;
    return std::nullopt;
}
