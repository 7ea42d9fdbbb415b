#pragma once
// An exclusive lock on one file, held by this object alone (another object
// of this process counts as another holder) and released when the object
// goes or when the process ends, however it ends: the system drops the lock
// with the process, so a crashed job never leaves its lock behind.

#include <filesystem>

class ExclusiveFileLock {
public:
    ExclusiveFileLock() = default;
    ExclusiveFileLock(ExclusiveFileLock&& other) noexcept;
    ExclusiveFileLock& operator=(ExclusiveFileLock&& other) noexcept;
    ExclusiveFileLock(const ExclusiveFileLock&) = delete;
    ExclusiveFileLock& operator=(const ExclusiveFileLock&) = delete;
    ~ExclusiveFileLock() { Unlock(); }

    // Creates the file when it is missing and locks it without waiting;
    // false when someone else holds it or the file cannot be made.
    bool TryLock(const std::filesystem::path& file);
    bool Held() const;
    void Unlock();

private:
#ifdef _WIN32
    void* m_handle = nullptr;
#else
    int m_fd = -1;
#endif
};
