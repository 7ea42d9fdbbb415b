#pragma once
// Owners of a kernel handle and of an open registry key.

#include <windows.h>

#include <utility>

class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : m_handle(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : m_handle(std::exchange(other.m_handle, INVALID_HANDLE_VALUE)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other)
            Reset(std::exchange(other.m_handle, INVALID_HANDLE_VALUE));
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { Reset(); }

    // CreateFileW fails with INVALID_HANDLE_VALUE, CreateEventW with null.
    bool Valid() const { return m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr; }
    HANDLE Get() const { return m_handle; }
    void Reset(HANDLE handle = INVALID_HANDLE_VALUE)
    {
        if (Valid())
            ::CloseHandle(m_handle);
        m_handle = handle;
    }

private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};

class UniqueKey {
public:
    UniqueKey() = default;
    UniqueKey(const UniqueKey&) = delete;
    UniqueKey& operator=(const UniqueKey&) = delete;
    ~UniqueKey()
    {
        if (m_key != nullptr)
            ::RegCloseKey(m_key);
    }

    bool Valid() const { return m_key != nullptr; }
    HKEY Get() const { return m_key; }
    // For the Reg*Ex calls that hand back a new key; only on an empty owner.
    HKEY* Receive() { return &m_key; }

private:
    HKEY m_key = nullptr;
};
