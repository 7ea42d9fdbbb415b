#include "PortSession.h"

#include <memory>

#include "ConnectionText.h"
#include "device/AreaFolder.h"
#include "device/DeviceLink.h"
#include "platform/PortMap.h"
#include "platform/Utf8Path.h"
#include "resources/DeviceTexts.h"
#include "settings/SettingsStore.h"
#ifdef _WIN32
#include "platform/win32/Win32SerialLine.h"
using PathSerialLine = Win32SerialLine;
#else
#include "platform/PosixSerialLine.h"
using PathSerialLine = PosixSerialLine;
#endif

CommSettings StoredSettings()
{
    std::unique_ptr<KeyStore> keys = MakeUserKeyStore();
    PortMap ports;
    SettingsStore store(*keys, ports);
    store.Load();
    return store.GetRecord();
}

std::filesystem::path AreaFolderOf(const CliOptions& options)
{
    if (options.areaFolder) return PathFromUtf8(*options.areaFolder);
    return ProgramAreaFolder();
}

std::function<std::unique_ptr<SerialLine>()> PathLineFactory(const std::optional<PortChoice>& port)
{
    if (!port || !port->devicePath) return nullptr;
    std::string path = *port->devicePath;
    return [path]() -> std::unique_ptr<SerialLine> {
        return std::make_unique<PathSerialLine>([path](uint32_t) { return std::optional<std::string>(path); });
    };
}

void UsePortPath(DeviceLink& link, const std::optional<PortChoice>& port)
{
    if (auto factory = PathLineFactory(port)) link.SetLineFactory(std::move(factory));
}

std::string PortNameOf(const DeviceLink& link, const std::optional<PortChoice>& port)
{
    return port && port->devicePath ? *port->devicePath : PortMap::NameOfNumber(link.settings.com);
}

std::optional<std::string> DevicePathOf(const DeviceLink& link, const std::optional<PortChoice>& port)
{
    if (port && port->devicePath) return port->devicePath;
    return PortMap().Resolve(link.settings.com);
}

std::string PortOpenFailure(const DeviceLink& link, int result)
{
    std::string text = texts::PortOpenText(result);
    if (!link.LastOpenDetail().empty()) text += "\n" + link.LastOpenDetail();
    return text;
}

std::string DescribeConnectionOf(const DeviceLink& link, const std::optional<PortChoice>& port)
{
    return DescribeConnection(link.settings, PortNameOf(link, port), DevicePathOf(link, port));
}
