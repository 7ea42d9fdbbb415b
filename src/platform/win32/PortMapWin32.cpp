// The port map on Windows: the ports are the device map's, opened by their
// own names; there are no aliases to keep. Each is described by what Plug
// and Play says of it, or else by the driver's device the map names.

#include "platform/PortMap.h"
#include "platform/win32/PortDescriptions.h"
#include "platform/win32/SerialCommPorts.h"

PortMap::PortMap() = default;

PortMap::PortMap(PortMapRoots roots) : m_roots(std::move(roots)) {}

std::vector<PortEntry> PortMap::List()
{
    std::vector<PortEntry> entries;
    const std::map<std::string, std::string> described = PlugAndPlayPortDescriptions();
    for (auto& port : SerialPortNames(HKEY_LOCAL_MACHINE, kSerialCommKey).value_or(std::vector<SerialPortName>())) {
        const uint32_t number = NumberOfName(port.name).value_or(0);
        std::string devicePath = "\\\\.\\" + port.name;
        const auto found = described.find(PortKey(port.name));
        std::string description = found != described.end() ? found->second : std::move(port.mapEntry);
        entries.push_back({std::move(port.name), number, std::move(devicePath), PortKind::OnBoard, std::move(description)});
    }
    return entries;
}

uint32_t PortMap::RegisterAlias(const std::string&, uint32_t)
{
    return 0;
}

bool PortMap::RemoveAlias(uint32_t, const std::string&)
{
    return false;
}
