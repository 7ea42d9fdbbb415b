#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

#include "platform/UniqueFd.h"

namespace {

std::string FolderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool WriteAll(int fd, std::string_view content)
{
    while (!content.empty()) {
        const ssize_t written = ::write(fd, content.data(), content.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        content.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

// A file kept elsewhere and linked into place (as dotfile managers do) stays
// linked: the file the link points to is the one replaced.
std::string ReplacedFileOf(const std::string& path)
{
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), std::free);
    return resolved ? std::string(resolved.get()) : path;
}

bool SyncFolder(const std::string& folder)
{
    UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd.Valid() && ::fsync(fd.Get()) == 0;
}

}  // namespace

bool WriteFileAtomically(const std::string& linkOrPath, std::string_view content, mode_t mode)
{
    const std::string path = ReplacedFileOf(linkOrPath);
    const auto slash = path.rfind('/');
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string folder = FolderOf(path);
    std::string temporary = folder + "/." + base + ".XXXXXX";

    UniqueFd fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!fd.Valid())
        return false;
    const bool written = ::fchmod(fd.Get(), mode) == 0 && WriteAll(fd.Get(), content)
                         && ::fsync(fd.Get()) == 0;
    fd.Reset();
    if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return SyncFolder(folder);
}

std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t maxSize, ReadFailure* why)
{
    ReadFailure ignored = ReadFailure::None;
    ReadFailure& failure = why != nullptr ? *why : ignored;
    failure = ReadFailure::None;
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd.Valid()) {
        failure = errno == ENOENT || errno == ENOTDIR ? ReadFailure::Missing
                  : errno == EACCES || errno == EPERM  ? ReadFailure::NoPermission
                                                       : ReadFailure::Other;
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0) {
        failure = ReadFailure::Other;
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode)) {
        failure = ReadFailure::NotRegular;
        return std::nullopt;
    }
    if (static_cast<std::size_t>(info.st_size) > maxSize) {
        failure = ReadFailure::TooLarge;
        return std::nullopt;
    }

    std::string content;
    char chunk[4096];
    for (;;) {
        if (content.size() > maxSize) {
            failure = ReadFailure::TooLarge;
            return std::nullopt;
        }
        const ssize_t got = ::read(fd.Get(), chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            failure = ReadFailure::Other;
            return std::nullopt;
        }
        if (got == 0)
            return content;
        content.append(chunk, static_cast<size_t>(got));
    }
}

bool MakeDirectories(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0)
        return S_ISDIR(info.st_mode);
    const auto slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0 && !MakeDirectories(path.substr(0, slash)))
        return false;
    return ::mkdir(path.c_str(), 0777) == 0 || errno == EEXIST;
}
