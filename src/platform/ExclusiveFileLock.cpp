#include "platform/ExclusiveFileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <utility>

// flock, not fcntl: its lock belongs to the open file, so two holders in one
// process exclude each other as two processes do.
bool ExclusiveFileLock::TryLock(const std::filesystem::path& file)
{
    Unlock();
    int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

bool ExclusiveFileLock::Held() const { return m_fd >= 0; }

void ExclusiveFileLock::Unlock()
{
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

ExclusiveFileLock::ExclusiveFileLock(ExclusiveFileLock&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

ExclusiveFileLock& ExclusiveFileLock::operator=(ExclusiveFileLock&& other) noexcept
{
    if (this != &other) {
        Unlock();
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}
