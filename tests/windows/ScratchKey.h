#pragma once
// A registry key of the test's own below HKEY_CURRENT_USER, deleted with
// everything in it at the end, so the tests never meet the program's values.

#include <windows.h>

#include <string>

class ScratchKey {
public:
    ScratchKey()
        : m_path(L"Software\\MirrexTests\\" + std::to_wstring(::GetCurrentProcessId()) + L"-"
                 + std::to_wstring(++s_count))
    {
        ::RegCreateKeyExW(HKEY_CURRENT_USER, m_path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                          nullptr, &m_key, nullptr);
    }
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;
    ~ScratchKey()
    {
        ::RegCloseKey(m_key);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, m_path.c_str());
    }

    HKEY Get() const { return m_key; }

    // Sets a value with raw data, as other programs or older versions may
    // have left it.
    void SetRaw(const std::wstring& subkey, const std::wstring& name, DWORD type, const void* data, DWORD size)
    {
        HKEY key = nullptr;
        ::RegCreateKeyExW(m_key, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                          nullptr);
        ::RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
        ::RegCloseKey(key);
    }
    void SetText(const std::wstring& subkey, const std::wstring& name, const std::wstring& text)
    {
        SetRaw(subkey, name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }

    // The type and size of a value as stored; type 0 when it is missing.
    std::pair<DWORD, DWORD> TypeAndSize(const std::wstring& subkey, const std::wstring& name) const
    {
        DWORD type = 0;
        DWORD size = 0;
        if (::RegGetValueW(m_key, subkey.c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr, &size)
            != ERROR_SUCCESS)
            return {0, 0};
        return {type, size};
    }

private:
    static inline int s_count = 0;
    std::wstring m_path;
    HKEY m_key = nullptr;
};
