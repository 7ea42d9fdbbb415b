#include "device/FileIo.h"

#include <system_error>

#include <cstring>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

FilePtr OpenFile(const std::filesystem::path& path, const char* mode)
{
#ifdef _WIN32
    std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    return FilePtr(_wfopen(path.c_str(), wideMode.c_str()));
#else
    return FilePtr(std::fopen(path.c_str(), mode));
#endif
}

FilePtr OpenRegularFile(const std::filesystem::path& path, const char* mode)
{
    const bool update = std::strchr(mode, '+') != nullptr;
#ifdef _WIN32
    // Opening a pipe or a device on Windows does not wait for a writer;
    // what it gives is refused afterwards unless it is a file on a disk.
    FilePtr file = OpenFile(path, update ? "r+b" : "rb");
    if (file && GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file.get())))) != FILE_TYPE_DISK) {
        file.reset();
    }
    return file;
#else
    const int fd = ::open(path.c_str(), (update ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat info {};
    const int flags = ::fcntl(fd, F_GETFL);
    std::FILE* file = nullptr;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && flags >= 0 &&
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0) {
        file = ::fdopen(fd, update ? "r+b" : "rb");
    }
    if (file == nullptr) ::close(fd);
    return FilePtr(file);
#endif
}

int64_t FileLength(std::FILE* file)
{
#ifdef _WIN32
    if (_fseeki64(file, 0, SEEK_END) != 0) return -1;
    int64_t length = _ftelli64(file);
    if (_fseeki64(file, 0, SEEK_SET) != 0) return -1;
#else
    if (fseeko(file, 0, SEEK_END) != 0) return -1;
    int64_t length = ftello(file);
    if (fseeko(file, 0, SEEK_SET) != 0) return -1;
#endif
    return length;
}

bool SeekTo(std::FILE* file, int64_t offset)
{
#ifdef _WIN32
    return _fseeki64(file, offset, SEEK_SET) == 0;
#else
    return fseeko(file, offset, SEEK_SET) == 0;
#endif
}

bool ReadExactly(std::FILE* file, void* into, std::size_t count)
{
    return std::fread(into, 1, count, file) == count;
}

bool WriteAll(std::FILE* file, const void* bytes, std::size_t count)
{
    return count == 0 || std::fwrite(bytes, 1, count, file) == count;
}

bool AppendFile(std::FILE* target, std::FILE* source, uint64_t* copied)
{
    *copied = 0;
    std::vector<char> piece(64 * 1024);
    for (;;) {
        std::size_t got = std::fread(piece.data(), 1, piece.size(), source);
        if (got > 0 && !WriteAll(target, piece.data(), got)) return false;
        *copied += got;
        if (got < piece.size()) return std::ferror(source) == 0;
    }
}

bool FinishFile(FilePtr file)
{
    bool ok = std::fflush(file.get()) == 0;
#ifdef _WIN32
    ok = ok && _commit(_fileno(file.get())) == 0;
#else
    ok = ok && fsync(fileno(file.get())) == 0;
#endif
    return std::fclose(file.release()) == 0 && ok;
}

void RemoveFile(const std::filesystem::path& path)
{
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}

std::string PathText(const std::filesystem::path& path)
{
    std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}
