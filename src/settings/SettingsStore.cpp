#include "settings/SettingsStore.h"

#include "platform/PortMap.h"
#include "platform/ProgramPath.h"

SettingsStore::SettingsStore(KeyStore& keys, PortMap& ports) : m_keys(keys), m_portMap(ports) {}

void SettingsStore::Initialize()
{
    m_exeDir = ProgramFolderOf(ProgramFilePath());
    Load();
    EnumeratePorts();
}

void SettingsStore::SetDefaults()
{
    m_record = DefaultCommSettings();
}

void SettingsStore::Load()
{
    SetDefaults();
    if (!m_keys.KeyExists(kMirrexKey)) {
        m_keys.CreateKey(kMirrexKey);
        m_stored = m_record;
        return;
    }
    if (const auto baud = m_keys.ReadDword(kMirrexKey, "baud_rate"))
        m_record.baud_rate = *baud;
    else
        Save();

    // Each field keeps the low bits of what is stored that fit its width;
    // a value that cannot be read leaves the default.
    const auto stored = [this](const char* name) { return m_keys.ReadDword(kMirrexKey, name); };
    if (const auto value = stored("parity"))
        m_record.parity = *value & 0xffU;
    if (const auto value = stored("stop_bits"))
        m_record.stop_bits = *value & 0xffU;
    if (const auto value = stored("rs_type"))
        m_record.rs_type = static_cast<uint8_t>(*value);
    if (const auto value = stored("byte_size"))
        m_record.byte_size = static_cast<uint8_t>(*value);
    if (const auto value = stored("adress_len"))
        m_record.adress_len = static_cast<uint8_t>(*value);
    if (const auto value = stored("address"))
        m_record.address = static_cast<uint16_t>(*value);
    if (const auto value = stored("com"))
        m_record.com = *value;
    if (const auto value = stored("converter"))
        m_record.converter = *value != 0 ? 1 : 0;
    m_stored = m_record;
}

void SettingsStore::Save()
{
    // What the values read back as; kept even when the key store fails,
    // which it does silently, so the pages still count it as stored.
    m_stored = m_record;
    m_stored.converter = m_record.converter != 0 ? 1 : 0;
    if (!m_keys.KeyExists(kMirrexKey))
        return;
    m_keys.WriteDword(kMirrexKey, "baud_rate", m_record.baud_rate);
    m_keys.WriteDword(kMirrexKey, "parity", m_record.parity);
    m_keys.WriteDword(kMirrexKey, "stop_bits", m_record.stop_bits);
    m_keys.WriteDword(kMirrexKey, "rs_type", m_record.rs_type);
    m_keys.WriteDword(kMirrexKey, "byte_size", m_record.byte_size);
    m_keys.WriteDword(kMirrexKey, "adress_len", m_record.adress_len);
    m_keys.WriteDword(kMirrexKey, "address", m_record.address);
    m_keys.WriteDword(kMirrexKey, "com", m_record.com);
    m_keys.WriteDword(kMirrexKey, "converter", m_record.converter != 0 ? 1 : 0);
}

void SettingsStore::EnumeratePorts()
{
    m_ports.clear();
    m_portDescriptions.clear();
    for (const auto& entry : m_portMap.List()) {
        m_ports.push_back(entry.name);
        m_portDescriptions.push_back(entry.description.empty() ? entry.devicePath : entry.description);
    }
}

std::string SettingsStore::PortDescription(const std::string& name) const
{
    for (std::size_t i = 0; i < m_ports.size(); ++i)
        if (m_ports[i] == name)
            return m_portDescriptions[i];
    return {};
}
