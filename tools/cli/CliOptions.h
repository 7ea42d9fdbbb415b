#pragma once
// The command line of mirrex-cli: the command, its file and switches, and
// the connection settings that override the stored ones.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/SearchOrder.h"
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
    std::string command;  // ports, identify, save, write, inspect, compare, diff, scan
    std::string file;
    std::string otherFile;  // diff: the second file
    bool force = false;
    bool setClock = false;
    bool acceptVersionMismatch = false;
    bool verify = true;  // --no-verify turns the read-back of a write off
    bool json = false;   // identify, ports, inspect, scan: JSON objects for scripts
    // write: keep writing the devices connected one after another, on every
    // port, until Ctrl-C or until count devices in all.
    bool loop = false;
    std::optional<uint32_t> count;
    std::optional<std::string> report;  // write: JSON Lines, one per device
    std::optional<std::string> areaFolder;
    // write: keep each device's configuration in this folder before
    // writing it; leave alone a device that already holds the file's.
    std::optional<std::string> backupFolder;
    bool skipSame = false;
    // How often a failed area is transferred again (and a block answered
    // nErr sent again); 0 asks nothing again.
    uint32_t retries = 2;
    std::vector<PortChoice> ports;  // none: the stored port
    ConnectionOverrides connection;
    // scan: the rates (every --baud, in order), formats and widths to try;
    // stop at the first device.
    std::vector<uint32_t> rates;
    SearchFormats formats = SearchFormats::Stored;
    std::optional<SearchWidths> widths;
    bool first = false;

    // Several ports, the loop or a report: the production line's write (or
    // comparison), with a line per port and a table at the end.
    bool LineWrite() const
    {
        return (command == "write" || command == "compare") && (ports.size() > 1 || loop || report);
    }
};

// nullopt with *error naming the offending argument and the values it takes.
std::optional<CliOptions> ParseCliOptions(const std::vector<std::string>& args, std::string* error);

// An address the command line asks for (or a width it asks for) that the
// address width cannot carry: 8-bit addressing reaches 0..255 only, and a
// wider address would silently reach another device. The offending
// argument with the values it takes, or empty.
std::string AddressWidthProblem(const ConnectionOverrides& given, const CommSettings& applied);
