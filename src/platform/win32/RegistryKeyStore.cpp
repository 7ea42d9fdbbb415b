#include "platform/win32/RegistryKeyStore.h"

#include "platform/win32/UniqueHandle.h"
#include "platform/win32/WideText.h"

namespace {

bool OpenKey(HKEY root, const std::string& key, REGSAM access, UniqueKey& opened)
{
    return ::RegOpenKeyExW(root, WideOf(key).c_str(), 0, access, opened.Receive()) == ERROR_SUCCESS;
}

}  // namespace

bool RegistryKeyStore::KeyExists(const std::string& key)
{
    UniqueKey opened;
    return OpenKey(m_root, key, KEY_READ, opened);
}

bool RegistryKeyStore::CreateKey(const std::string& key)
{
    UniqueKey created;
    return ::RegCreateKeyExW(m_root, WideOf(key).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                             nullptr, created.Receive(), nullptr)
        == ERROR_SUCCESS;
}

std::optional<uint32_t> RegistryKeyStore::ReadDword(const std::string& key, const std::string& name)
{
    UniqueKey opened;
    if (!OpenKey(m_root, key, KEY_READ, opened))
        return std::nullopt;
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (::RegQueryValueExW(opened.Get(), WideOf(name).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value),
                           &size)
            != ERROR_SUCCESS
        || type != REG_DWORD || size != sizeof value)
        return std::nullopt;
    return value;
}

// A text of any length: its size is asked first, and asked again if the
// value grows before it is read. Path values are stored without a
// terminating zero, so the text ends where the data does, or at a zero.
std::optional<std::string> RegistryKeyStore::ReadString(const std::string& key, const std::string& name)
{
    UniqueKey opened;
    if (!OpenKey(m_root, key, KEY_READ, opened))
        return std::nullopt;
    const std::wstring valueName = WideOf(name);
    for (;;) {
        DWORD type = 0;
        DWORD size = 0;
        if (::RegQueryValueExW(opened.Get(), valueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS
            || type != REG_SZ)
            return std::nullopt;
        std::wstring text((size + 1) / sizeof(wchar_t), L'\0');
        DWORD capacity = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        const LONG result = ::RegQueryValueExW(opened.Get(), valueName.c_str(), nullptr, &type,
                                               reinterpret_cast<BYTE*>(text.data()), &capacity);
        if (result == ERROR_MORE_DATA)
            continue;
        if (result != ERROR_SUCCESS || type != REG_SZ)
            return std::nullopt;
        // Whole characters only, up to the first zero.
        text.resize(capacity / sizeof(wchar_t));
        return Utf8Of(std::wstring_view(text.c_str()));
    }
}

bool RegistryKeyStore::WriteValue(const std::string& key, const std::string& name, DWORD type, const void* data,
                                  DWORD size)
{
    UniqueKey opened;
    return OpenKey(m_root, key, KEY_SET_VALUE, opened)
        && ::RegSetValueExW(opened.Get(), WideOf(name).c_str(), 0, type, static_cast<const BYTE*>(data), size)
        == ERROR_SUCCESS;
}

bool RegistryKeyStore::WriteDword(const std::string& key, const std::string& name, uint32_t value)
{
    const DWORD data = value;
    return WriteValue(key, name, REG_DWORD, &data, sizeof data);
}

// Written as the data length of twice the character count, without the
// terminating zero, which is the form the stored values have always had.
bool RegistryKeyStore::WriteString(const std::string& key, const std::string& name, const std::string& value)
{
    const std::wstring text = WideOf(value);
    return WriteValue(key, name, REG_SZ, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)));
}

std::unique_ptr<KeyStore> MakeUserKeyStore()
{
    return std::make_unique<RegistryKeyStore>(HKEY_CURRENT_USER);
}
