#include "platform/ExclusiveFileLock.h"

#include <windows.h>

#include <utility>

// LockFileEx locks through one handle: a second handle, in this process or
// another, is refused until the first is closed or its process has ended.
bool ExclusiveFileLock::TryLock(const std::filesystem::path& file)
{
    Unlock();
    HANDLE handle = ::CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    OVERLAPPED whole{};
    if (!::LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &whole)) {
        ::CloseHandle(handle);
        return false;
    }
    m_handle = handle;
    return true;
}

bool ExclusiveFileLock::Held() const { return m_handle != nullptr; }

void ExclusiveFileLock::Unlock()
{
    if (m_handle != nullptr) ::CloseHandle(static_cast<HANDLE>(m_handle));
    m_handle = nullptr;
}

ExclusiveFileLock::ExclusiveFileLock(ExclusiveFileLock&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr))
{
}

ExclusiveFileLock& ExclusiveFileLock::operator=(ExclusiveFileLock&& other) noexcept
{
    if (this != &other) {
        Unlock();
        m_handle = std::exchange(other.m_handle, nullptr);
    }
    return *this;
}
