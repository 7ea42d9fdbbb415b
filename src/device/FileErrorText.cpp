#include "device/FileErrorText.h"

#include "resources/CliTexts.h"

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
