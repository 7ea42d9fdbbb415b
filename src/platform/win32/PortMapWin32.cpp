// The port map on Windows: the ports are the device map's, opened by their
// own names; there are no aliases to keep.

#include "platform/PortMap.h"
#include "platform/win32/SerialCommPorts.h"

PortMap::PortMap() = default;

PortMap::PortMap(PortMapRoots roots) : m_roots(std::move(roots)) {}

std::vector<PortEntry> PortMap::List()
{
    std::vector<PortEntry> entries;
    for (auto& name : SerialPortNames(HKEY_LOCAL_MACHINE, kSerialCommKey).value_or(std::vector<std::string>())) {
        const uint32_t number = NumberOfName(name).value_or(0);
        std::string devicePath = "\\\\.\\" + name;
        entries.push_back({std::move(name), number, std::move(devicePath), PortKind::OnBoard});
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
