#pragma once
// The command line of mirrex-cli: the command, its file and switches, and
// the connection settings that override the stored ones.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "settings/CommSettings.h"

// One --port: a COM name, or a device path.
struct PortChoice {
    std::string given;                      // as on the command line
    std::optional<uint32_t> com;            // COMn
    std::optional<std::string> devicePath;  // a path
};

struct ConnectionOverrides {
    std::optional<uint32_t> baud;
    std::optional<uint16_t> address;
    std::optional<uint8_t> addressBits;
    std::optional<uint8_t> dataBits;
    std::optional<uint32_t> parity;
    std::optional<uint32_t> stopBits;
    std::optional<uint8_t> converter;

    CommSettings AppliedTo(CommSettings settings) const;
};

// The settings of one port: the stored ones with the command line's.
CommSettings SettingsForPort(const ConnectionOverrides& given, const std::optional<PortChoice>& port,
                             CommSettings stored);

struct CliOptions {
    std::string command;  // ports, identify, save, write, inspect
    std::string file;
    bool force = false;
    bool setClock = false;
    bool acceptVersionMismatch = false;
    bool verify = true;  // --no-verify turns the read-back of a write off
    bool json = false;   // identify, ports, inspect: one JSON object for scripts
    // write: keep writing the devices connected one after another, on every
    // port, until Ctrl-C or until count devices in all.
    bool loop = false;
    std::optional<uint32_t> count;
    std::optional<std::string> report;  // write: JSON Lines, one per device
    std::optional<std::string> areaFolder;
    std::vector<PortChoice> ports;  // none: the stored port
    ConnectionOverrides connection;

    // Several ports, the loop or a report: the production line's write,
    // with a line per port and a table at the end.
    bool LineWrite() const { return command == "write" && (ports.size() > 1 || loop || report); }
};

// nullopt with *error naming the offending argument and the values it takes.
std::optional<CliOptions> ParseCliOptions(const std::vector<std::string>& args, std::string* error);

// An address the command line asks for (or a width it asks for) that the
// address width cannot carry: 8-bit addressing reaches 0..255 only, and a
// wider address would silently reach another device. The offending
// argument with the values it takes, or empty.
std::string AddressWidthProblem(const ConnectionOverrides& given, const CommSettings& applied);
