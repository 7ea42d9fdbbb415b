#include "platform/win32/SerialCommPorts.h"

#include <cwchar>

#include "platform/win32/UniqueHandle.h"
#include "platform/win32/WideText.h"

namespace {

constexpr DWORD kValueNameCapacity = 260;

// The port name of one value; nullopt for a value that is skipped, and for
// the end of the list when *end is set.
std::optional<SerialPortName> PortNameAt(HKEY key, DWORD index, bool* end)
{
    wchar_t valueName[kValueNameCapacity] = {};
    DWORD valueNameLength = kValueNameCapacity;
    // One character beyond the 260 bytes read keeps a name stored without
    // its terminating zero terminated.
    wchar_t data[kMaxPortNameLength + 2] = {};
    DWORD dataSize = (kMaxPortNameLength + 1) * sizeof(wchar_t);
    DWORD type = 0;
    const LONG result = ::RegEnumValueW(key, index, valueName, &valueNameLength, nullptr, &type,
                                        reinterpret_cast<BYTE*>(data), &dataSize);
    *end = result == ERROR_NO_MORE_ITEMS;
    if (result != ERROR_SUCCESS || type != REG_SZ)
        return std::nullopt;
    const std::size_t length = std::wcslen(data);
    if (length == 0 || length > kMaxPortNameLength)
        return std::nullopt;
    return SerialPortName{Utf8Of(std::wstring_view(data, length)), Utf8Of(std::wstring_view(valueName, valueNameLength))};
}

}  // namespace

std::optional<std::vector<SerialPortName>> SerialPortNames(HKEY root, const wchar_t* keyPath)
{
    UniqueKey key;
    if (::RegOpenKeyExW(root, keyPath, 0, KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS)
        return std::nullopt;
    std::vector<SerialPortName> names;
    bool end = false;
    for (DWORD index = 0; !end; ++index) {
        if (auto name = PortNameAt(key.Get(), index, &end))
            names.push_back(std::move(*name));
    }
    return names;
}
