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
    default: return error.systemText;
    }
}
