#include "platform/TtyDevices.h"

#include <algorithm>
#include <charconv>
#include <map>

#include "platform/AtomicFile.h"
#include "platform/CodePage1251.h"
#include "platform/PathQueries.h"
#include "resources/PortTexts.h"

namespace {

// sysfs reports every attribute as a page long, whatever it holds.
constexpr std::size_t kAttributeSize = 4096;
// How far above a tty's device its USB device may sit (interface, port).
constexpr int kUsbLevels = 4;

std::string Attribute(const std::string& folder, const char* name)
{
    return CleanDeviceString(ReadWholeFile(folder + '/' + name, kAttributeSize).value_or(""));
}

std::string Parent(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos || slash == 0 ? std::string() : path.substr(0, slash);
}

bool HasAttribute(const std::string& folder, const char* name)
{
    return ReadWholeFile(folder + '/' + name, kAttributeSize).has_value();
}

// The nearest folder at or above path that has the attribute; empty if none.
std::string FolderWith(std::string path, const char* attribute, int levels)
{
    for (int level = 0; level <= levels && !path.empty(); ++level, path = Parent(path)) {
        if (HasAttribute(path, attribute))
            return path;
    }
    return {};
}

std::string BaseName(const std::string& path)
{
    return path.substr(path.find_last_of('/') + 1);
}

// A UART driver that found no chip at a port reports its type as 0; such
// phantom entries (ttyS1 ... ttyS31 on most PCs) cannot be opened usefully.
bool IsPhantomUart(const std::string& ttyEntry)
{
    const auto type = ReadWholeFile(ttyEntry + "/type", kAttributeSize);
    if (!type)
        return false;  // not a UART driver's port at all
    uint32_t value = 0;
    const auto [end, error] = std::from_chars(type->data(), type->data() + type->size(), value);
    return error != std::errc() || end == type->data() || value == 0;
}

std::string Joined(const std::vector<std::string>& parts)
{
    std::string text;
    for (const std::string& part : parts) {
        if (part.empty())
            continue;
        if (!text.empty())
            text += ", ";
        text += part;
    }
    return text;
}

struct UsbFacts {
    std::string device;  // sysfs folder of the USB device
    uint32_t interface = 0;
    std::string product, manufacturer, serial, ids;
};

UsbFacts ReadUsbFacts(const std::string& usbDevice, const std::string& devicePath)
{
    UsbFacts usb;
    usb.device = usbDevice;
    usb.product = Attribute(usbDevice, "product");
    usb.manufacturer = Attribute(usbDevice, "manufacturer");
    usb.serial = Attribute(usbDevice, "serial");
    usb.ids = Attribute(usbDevice, "idVendor") + ':' + Attribute(usbDevice, "idProduct");
    const std::string interface = FolderWith(devicePath, "bInterfaceNumber", kUsbLevels);
    const std::string number = Attribute(interface, "bInterfaceNumber");
    std::from_chars(number.data(), number.data() + number.size(), usb.interface, 16);
    return usb;
}

std::string UsbDescription(const UsbFacts& usb)
{
    std::vector<std::string> parts;
    parts.push_back(usb.product.empty() ? std::string(texts::kPortUsbAdapter) + ' ' + usb.ids : usb.product);
    if (usb.product.find(usb.manufacturer) == std::string::npos)
        parts.push_back(usb.manufacturer);
    if (!usb.serial.empty())
        parts.push_back(texts::kPortSerialNumber + usb.serial);
    return Joined(parts);
}

std::string UartDescription(const std::string& ttyEntry, TtyBus bus)
{
    const std::string address = Attribute(ttyEntry, "port");
    const bool hasAddress = !address.empty() && address.find_first_not_of("0x") != std::string::npos;
    return Joined({bus == TtyBus::Pci ? texts::kPortPciCard : texts::kPortOnBoard,
                   hasAddress ? texts::kPortAddress + address : std::string()});
}

}  // namespace

std::string CleanDeviceString(std::string_view raw, std::size_t maxCharacters)
{
    std::u16string wide = Utf8ToUtf16(raw);
    std::u16string clean;
    for (const char16_t c : wide) {
        const bool control = c < 0x20 || (c >= 0x7F && c < 0xA0);
        if (control || (c == u' ' && (clean.empty() || clean.back() == u' ')))
            continue;
        clean.push_back(c);
    }
    while (!clean.empty() && clean.back() == u' ')
        clean.pop_back();
    if (clean.size() > maxCharacters) {
        clean.resize(maxCharacters);
        if (!clean.empty() && clean.back() >= 0xD800 && clean.back() < 0xDC00)
            clean.pop_back();  // half a character
    }
    return Utf16ToUtf8(clean);
}

std::vector<TtyDevice> FindTtyDevices(const std::string& sysClassTty)
{
    std::vector<TtyDevice> found;
    std::map<std::string, std::vector<std::pair<uint32_t, std::size_t>>> portsOfAdapter;
    for (const std::string& name : FolderEntries(sysClassTty)) {
        const std::string entry = sysClassTty + '/' + name;
        const std::string devicePath = RealPathOf(entry + "/device");
        if (devicePath.empty() || IsPhantomUart(entry))
            continue;
        TtyDevice tty;
        tty.name = name;
        const std::string usbDevice = FolderWith(devicePath, "idVendor", kUsbLevels);
        if (!usbDevice.empty()) {
            const UsbFacts usb = ReadUsbFacts(usbDevice, devicePath);
            tty.bus = TtyBus::Usb;
            tty.usbIdentity = usb.ids + ':' + usb.serial + ':' + std::to_string(usb.interface);
            tty.description = UsbDescription(usb);
            portsOfAdapter[usbDevice].emplace_back(usb.interface, found.size());
        } else {
            tty.bus = BaseName(RealPathOf(devicePath + "/subsystem")) == "pci" ? TtyBus::Pci : TtyBus::OnBoard;
            tty.description = UartDescription(entry, tty.bus);
        }
        found.push_back(std::move(tty));
    }
    // The ports of a multi-port adapter say the same of themselves.
    for (auto& [adapter, ports] : portsOfAdapter) {
        if (ports.size() < 2)
            continue;
        std::sort(ports.begin(), ports.end());
        for (std::size_t i = 0; i < ports.size(); ++i)
            found[ports[i].second].description += ", " + std::string(texts::kPortOfAdapter) + std::to_string(i + 1);
    }
    for (TtyDevice& tty : found)
        tty.description += " (" + tty.name + ")";
    return found;
}
