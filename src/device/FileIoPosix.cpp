// The file layer on POSIX calls.
#include "device/FileIo.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

namespace {

int FlagsOf(FileMode mode)
{
    switch (mode) {
    case FileMode::Read: return O_RDONLY;
    case FileMode::Update: return O_RDWR;
    case FileMode::Create: return O_WRONLY | O_CREAT | O_TRUNC;
    case FileMode::CreateNew: return O_WRONLY | O_CREAT | O_EXCL;
    case FileMode::Append: return O_WRONLY | O_CREAT | O_APPEND;
    }
    return O_RDONLY;
}

int Descriptor(intptr_t handle) { return static_cast<int>(handle); }

FileErrorKind KindOf(int number)
{
    switch (number) {
    case EACCES:
    case EPERM: return FileErrorKind::NoPermission;
    case EROFS: return FileErrorKind::ReadOnlyDisk;
    case ENOSPC:
    case EDQUOT: return FileErrorKind::DiskFull;
    case ENAMETOOLONG: return FileErrorKind::NameTooLong;
    case ENOENT:
    case ENOTDIR: return FileErrorKind::NotFound;
    case EEXIST: return FileErrorKind::Exists;
    case EISDIR:
    case ENXIO: return FileErrorKind::NotAFile;
    default: return FileErrorKind::Other;
    }
}

FileError ErrorOf(int number)
{
    return {KindOf(number), std::strerror(number)};
}

bool SyncFolder(const std::filesystem::path& folder)
{
    int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

}  // namespace

bool File::Close()
{
    if (!IsOpen()) return true;
    return ::close(Descriptor(std::exchange(m_handle, kClosed))) == 0;
}

int64_t File::Length() const
{
    struct stat info {};
    if (!IsOpen() || ::fstat(Descriptor(m_handle), &info) != 0) return -1;
    return static_cast<int64_t>(info.st_size);
}

bool File::SeekTo(int64_t offset)
{
    return IsOpen() && ::lseek(Descriptor(m_handle), static_cast<off_t>(offset), SEEK_SET) == offset;
}

bool File::SeekToEnd() { return IsOpen() && ::lseek(Descriptor(m_handle), 0, SEEK_END) >= 0; }

int64_t File::ReadSome(void* into, std::size_t count)
{
    if (!IsOpen()) return -1;
    for (;;) {
        ssize_t got = ::read(Descriptor(m_handle), into, count);
        if (got >= 0) return got;
        if (errno != EINTR) return -1;
    }
}

bool File::WriteAll(const void* bytes, std::size_t count)
{
    if (!IsOpen()) return false;
    const auto* at = static_cast<const char*>(bytes);
    while (count > 0) {
        ssize_t written = ::write(Descriptor(m_handle), at, count);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        at += written;
        count -= static_cast<std::size_t>(written);
    }
    return true;
}

int64_t File::WriteOnce(const void* bytes, std::size_t count)
{
    if (!IsOpen()) return -1;
    for (;;) {
        ssize_t written = ::write(Descriptor(m_handle), bytes, count);
        // Interrupted before anything was written; a partial write is not
        // repeated, as its rest would land apart from it.
        if (written < 0 && errno == EINTR) continue;
        return written;
    }
}

bool File::WriteInOnePiece(const void* bytes, std::size_t count)
{
    return WriteOnce(bytes, count) == static_cast<int64_t>(count);
}

bool File::TruncateTo(int64_t length)
{
    return IsOpen() && ::ftruncate(Descriptor(m_handle), static_cast<off_t>(length)) == 0;
}

bool File::Sync() { return IsOpen() && ::fsync(Descriptor(m_handle)) == 0; }

bool File::Finish()
{
    bool synced = IsOpen() && ::fsync(Descriptor(m_handle)) == 0;
    return Close() && synced;
}

File OpenFile(const std::filesystem::path& path, FileMode mode, FileError* error)
{
    // Opened without waiting (a FIFO nobody writes into would block a plain
    // open for ever, one nobody reads from a plain open for writing), and
    // refused unless it is a regular file; then made blocking again.
    int fd = -1;
    do {
        fd = ::open(path.c_str(), FlagsOf(mode) | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (error != nullptr) *error = ErrorOf(errno);
        return File();
    }
    File file(fd);
    file.m_appending = mode == FileMode::Append;
    struct stat info {};
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || flags < 0
        || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        if (error != nullptr) *error = {FileErrorKind::NotAFile, std::strerror(ENXIO)};
        return File();
    }
    return file;
}

bool FileExists(const std::filesystem::path& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

bool MoveIntoPlace(const std::filesystem::path& finished, const std::filesystem::path& target)
{
    struct stat info {};
    if (::stat(target.c_str(), &info) == 0 && ::chmod(finished.c_str(), info.st_mode & 07777) != 0) return false;
    if (::rename(finished.c_str(), target.c_str()) != 0) return false;
    // Without this the new name may not survive a power cut (the file would
    // come back as the old one, which is still whole).
    SyncFolder(target.parent_path());
    return true;
}

bool MoveToNewName(const std::filesystem::path& finished, const std::filesystem::path& target, FileError* error)
{
    int result = ::renameat2(AT_FDCWD, finished.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE);
    // A file system without the no-replace rename: a second name, which is
    // refused just the same when taken, then the first one dropped.
    if (result != 0 && (errno == EINVAL || errno == ENOSYS)) {
        result = ::link(finished.c_str(), target.c_str());
        if (result == 0) ::unlink(finished.c_str());
    }
    if (result != 0) {
        if (error != nullptr) *error = ErrorOf(errno);
        return false;
    }
    SyncFolder(target.parent_path());
    return true;
}

void RemoveFile(const std::filesystem::path& path) { ::unlink(path.c_str()); }
