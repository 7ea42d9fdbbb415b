// What the file layer does the same way everywhere; the system calls are
// in FileIoPosix.cpp and FileIoWin32.cpp.
#include "device/FileIo.h"

#include <utility>

File::File(File&& other) noexcept
    : m_handle(std::exchange(other.m_handle, kClosed)), m_appending(std::exchange(other.m_appending, false))
{
}

File& File::operator=(File&& other) noexcept
{
    if (this != &other) {
        Close();
        m_handle = std::exchange(other.m_handle, kClosed);
        m_appending = std::exchange(other.m_appending, false);
    }
    return *this;
}

File::~File() { Close(); }

bool File::ReadExactly(void* into, std::size_t count)
{
    auto* at = static_cast<char*>(into);
    while (count > 0) {
        int64_t got = ReadSome(at, count);
        if (got <= 0) return false;
        at += got;
        count -= static_cast<std::size_t>(got);
    }
    return true;
}
