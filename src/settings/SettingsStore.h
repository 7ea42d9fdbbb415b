#pragma once
// The current communication settings with their persistence, the program
// folder and the names of the serial ports present.

#include <string>
#include <vector>

#include "platform/KeyStore.h"
#include "settings/CommSettings.h"

class PortMap;

class SettingsStore {
public:
    SettingsStore(KeyStore& keys, PortMap& ports);

    void Initialize();   // program folder, Load, EnumeratePorts
    void Load();
    void Save();
    void SetDefaults();
    void EnumeratePorts();
    // What the last EnumeratePorts found behind a port name, shown as the
    // name's tooltip: the device's description, or its path where the
    // system tells nothing more; empty for a name it did not list.
    std::string PortDescription(const std::string& name) const;
    const CommSettings& GetRecord() const { return m_record; }
    void SetRecord(const CommSettings& record) { m_record = record; }
    // The record as this program last loaded it from the key store or
    // saved it there: what a settings page compares its list's origin with.
    const CommSettings& StoredRecord() const { return m_stored; }

    KeyStore& Keys() { return m_keys; }
    PortMap& Ports() { return m_portMap; }

    std::string m_exeDir;              // folder of the running program, no trailing separator
    std::vector<std::string> m_ports;  // "COM1", "COM3" ...

private:
    KeyStore& m_keys;
    PortMap& m_portMap;
    CommSettings m_record{};
    CommSettings m_stored{};
    std::vector<std::string> m_portDescriptions;  // one per entry of m_ports
};
