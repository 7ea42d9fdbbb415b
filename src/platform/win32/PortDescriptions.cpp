#include "platform/win32/PortDescriptions.h"

#include <windows.h>
#include <setupapi.h>

#include <vector>

#include "platform/win32/UniqueHandle.h"
#include "platform/win32/WideText.h"

namespace {

// The device setup class of serial and parallel ports.
constexpr GUID kPortsClass = {0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

class DeviceInfoSet {
public:
    DeviceInfoSet() : m_set(::SetupDiGetClassDevsW(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT)) {}
    ~DeviceInfoSet()
    {
        if (Valid())
            ::SetupDiDestroyDeviceInfoList(m_set);
    }
    DeviceInfoSet(const DeviceInfoSet&) = delete;
    DeviceInfoSet& operator=(const DeviceInfoSet&) = delete;
    bool Valid() const { return m_set != INVALID_HANDLE_VALUE; }
    HDEVINFO Get() const { return m_set; }

private:
    HDEVINFO m_set;
};

// A text property of the device; empty when it has none.
std::string DeviceText(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property)
{
    DWORD type = 0;
    DWORD size = 0;
    ::SetupDiGetDeviceRegistryPropertyW(set, &device, property, &type, nullptr, 0, &size);
    if (size == 0)
        return {};
    // One character more than asked for keeps the text terminated.
    std::vector<wchar_t> text(size / sizeof(wchar_t) + 1, L'\0');
    if (!::SetupDiGetDeviceRegistryPropertyW(set, &device, property, &type, reinterpret_cast<BYTE*>(text.data()),
                                             size, nullptr) ||
        type != REG_SZ)
        return {};
    return Utf8Of(text.data());
}

// The "PortName" value of the device's hardware key; empty for a device
// without one (a parallel port keeps its own name there too, and is simply
// never asked for).
std::string PortNameOf(HKEY key)
{
    wchar_t name[64] = {};
    DWORD size = sizeof name - sizeof(wchar_t);
    DWORD type = 0;
    if (!key || ::RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size) !=
                    ERROR_SUCCESS ||
        type != REG_SZ)
        return {};
    return Utf8Of(name);
}

// Calls visit(set, device, hardware key, port name) for each present port
// of the Ports class that has a port name, until it returns false.
template <typename Visit>
void ForEachPlugAndPlayPort(Visit visit)
{
    const DeviceInfoSet set;
    if (!set.Valid())
        return;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; ::SetupDiEnumDeviceInfo(set.Get(), index, &device); ++index) {
        // The device's hardware key ("Device Parameters").
        UniqueKey key;
        const HKEY opened =
            ::SetupDiOpenDevRegKey(set.Get(), &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
        if (opened != INVALID_HANDLE_VALUE)
            *key.Receive() = opened;
        const std::string port = PortNameOf(key.Get());
        if (!port.empty() && !visit(set.Get(), device, key.Get(), port))
            return;
    }
}

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

std::string PortKey(const std::string& portName)
{
    std::string key = portName;
    for (char& c : key)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return key;
}

std::string PortDescriptionOf(const std::string& portName, const std::string& friendlyName,
                              const std::string& manufacturer)
{
    std::string description = friendlyName;
    const std::string suffix = " (" + PortKey(portName) + ")";
    if (EndsWith(PortKey(description), suffix))
        description.resize(description.size() - suffix.size());
    if (!manufacturer.empty() && description.find(manufacturer) == std::string::npos)
        description += description.empty() ? manufacturer : ", " + manufacturer;
    return description;
}

std::map<std::string, std::string> PlugAndPlayPortDescriptions()
{
    std::map<std::string, std::string> descriptions;
    ForEachPlugAndPlayPort([&](HDEVINFO set, SP_DEVINFO_DATA& device, HKEY, const std::string& port) {
        std::string friendly = DeviceText(set, device, SPDRP_FRIENDLYNAME);
        if (friendly.empty())
            friendly = DeviceText(set, device, SPDRP_DEVICEDESC);
        std::string description = PortDescriptionOf(port, friendly, DeviceText(set, device, SPDRP_MFG));
        if (!description.empty())
            descriptions[PortKey(port)] = std::move(description);
        return true;
    });
    return descriptions;
}

std::optional<uint32_t> PortLatencyTimerMs(const std::string& portName)
{
    std::optional<uint32_t> latency;
    const std::string wanted = PortKey(portName);
    ForEachPlugAndPlayPort([&](HDEVINFO, SP_DEVINFO_DATA&, HKEY key, const std::string& port) {
        if (PortKey(port) != wanted)
            return true;
        DWORD value = 0;
        DWORD size = sizeof value;
        DWORD type = 0;
        if (::RegQueryValueExW(key, L"LatencyTimer", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
                ERROR_SUCCESS &&
            type == REG_DWORD && value <= 255)
            latency = value;
        return false;
    });
    return latency;
}
