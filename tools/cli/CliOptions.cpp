#include "CliOptions.h"

#include <charconv>
#include <type_traits>
#include <utility>

#include "device/AreaJob.h"
#include "platform/PortMap.h"
#include "resources/CliTexts.h"

namespace {

template <typename T>
std::optional<T> Number(const std::string& text, uint64_t low, uint64_t high)
{
    uint64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) return std::nullopt;
    return static_cast<T>(value);
}

using Choices = std::vector<std::pair<std::string, uint32_t>>;

std::optional<uint32_t> Choice(const std::string& text, const Choices& choices)
{
    for (const auto& [word, value] : choices) {
        if (word == text) return value;
    }
    return std::nullopt;
}

std::string Listed(const Choices& choices)
{
    std::string list;
    for (const auto& choice : choices) list += (list.empty() ? "" : ", ") + choice.first;
    return list;
}

Choices BaudRates()
{
    Choices rates;
    for (uint32_t rate : kBaudRates) rates.emplace_back(std::to_string(rate), rate);
    return rates;
}

const Choices kAddressBits{{"8", 8}, {"11", 11}};
const Choices kDataBits{{"5", 5}, {"6", 6}, {"7", 7}, {"8", 8}};
const Choices kParities{{"none", 0}, {"odd", 1}, {"even", 2}};
const Choices kStopBits{{"1", 0}, {"2", 2}};
const Choices kConverters{{"auto", 1}, {"semi", 0}};

// Sets one connection option from its value; false, with the values it
// takes in *allowed, when the value is bad.
bool ApplyConnection(const std::string& name, const std::string& value, ConnectionOverrides& c, std::string* allowed)
{
    auto choose = [&](auto& field, const Choices& choices) {
        std::optional<uint32_t> chosen = Choice(value, choices);
        if (chosen) field = static_cast<typename std::remove_reference_t<decltype(field)>::value_type>(*chosen);
        *allowed = Listed(choices);
        return chosen.has_value();
    };
    if (name == "--baud") return choose(c.baud, BaudRates());
    if (name == "--address-bits" && value == "both") return true;  // scan alone takes it (Conflict)
    if (name == "--address") {
        *allowed = texts::kCliAddressValues;
        return (c.address = Number<uint16_t>(value, 0, 2047)).has_value();
    }
    if (name == "--address-bits") return choose(c.addressBits, kAddressBits);
    if (name == "--data-bits") return choose(c.dataBits, kDataBits);
    if (name == "--parity") return choose(c.parity, kParities);
    if (name == "--stop-bits") return choose(c.stopBits, kStopBits);
    if (name == "--converter") return choose(c.converter, kConverters);
    return false;
}

// False, with the values it takes in *allowed, when the value names no
// port or a port given already.
bool AddPort(const std::string& value, std::vector<PortChoice>& ports, std::string* allowed)
{
    PortChoice port{value, PortMap::NumberOfName(value), std::nullopt};
    if (!port.com) {
        *allowed = texts::kCliPortValues;
        if (value.find('/') == std::string::npos) return false;
        port.devicePath = value;
    }
    for (const PortChoice& earlier : ports) {
        if ((port.com && earlier.com == port.com) || (port.devicePath && earlier.devicePath == port.devicePath)) {
            *allowed = texts::kCliPortTwice;
            return false;
        }
    }
    ports.push_back(port);
    return true;
}

bool IsConnectionOption(const std::string& name)
{
    for (const char* known : {"--baud", "--address", "--address-bits", "--data-bits", "--parity",
                              "--stop-bits", "--converter"}) {
        if (name == known) return true;
    }
    return false;
}

bool ApplySwitch(const std::string& name, CliOptions& options)
{
    if (options.command == "scan") {
        if (name == "--first") return options.first = true;
        if (name == "--json") return options.json = true;
        return false;
    }
    if (name == "--force" && options.command == "save") return options.force = true;
    // An audit station at a line's end compares as the line writes.
    if (name == "--loop" && options.command == "compare") return options.loop = true;
    if (name == "--json" && (options.command == "identify" || options.command == "ports" || options.command == "inspect"))
        return options.json = true;
    if (options.command != "write") return false;
    if (name == "--skip-same") return options.skipSame = true;
    if (name == "--set-clock") return options.setClock = true;
    if (name == "--accept-version-mismatch") return options.acceptVersionMismatch = true;
    // Verifying is the default; --verify is still taken, as scripts use it.
    if (name == "--verify") return true;
    if (name == "--no-verify") {
        options.verify = false;
        return true;
    }
    if (name == "--loop") return options.loop = true;
    return false;
}

// A switch that takes a value: the area folder, and the write's count and
// report. False, with the values it takes in *allowed when there are
// such, when it does not belong here.
bool ApplyValue(const std::string& name, const std::string& value, CliOptions& options, std::string* allowed)
{
    if (name == "--area-folder") {
        options.areaFolder = value;
        return true;
    }
    if (name == "--port") return AddPort(value, options.ports, allowed);
    if (name == "--retries") {
        *allowed = texts::kCliRetriesValues;
        std::optional<uint32_t> retries = Number<uint32_t>(value, 0, kMostRetries);
        if (retries) options.retries = *retries;
        return retries.has_value();
    }
    if (name == "--backup" && options.command == "write") {
        options.backupFolder = value;
        return !value.empty();
    }
    if (name == "--formats" && options.command == "scan") {
        static const Choices formats{{"stored", 0}, {"common", 1}, {"all", 2}};
        *allowed = Listed(formats);
        const std::optional<uint32_t> chosen = Choice(value, formats);
        if (chosen) options.formats = static_cast<SearchFormats>(*chosen);
        return chosen.has_value();
    }
    if (options.command != "write" && options.command != "compare") return false;
    if (name == "--report") {
        options.report = value;
        return true;
    }
    if (name == "--count") {
        *allowed = texts::kCliCountValues;
        return (options.count = Number<uint32_t>(value, 1, 1000000)).has_value();
    }
    return false;
}

bool TakesValue(const std::string& name)
{
    return IsConnectionOption(name) || name == "--port" || name == "--area-folder" || name == "--report"
           || name == "--count" || name == "--backup" || name == "--retries" || name == "--formats";
}

// What the command's options say against each other: the argument to
// name, or empty.
std::string Conflict(const CliOptions& options)
{
    if ((options.command == "save" || options.command == "identify") && options.ports.size() > 1) {
        return "--port " + options.ports[1].given + texts::kCliOnePortOnly;
    }
    if (options.count && !options.loop) return "--count " + std::to_string(*options.count) + texts::kCliCountNeedsLoop;
    if (options.command != "scan" && options.widths == SearchWidths::Both)
        return "--address-bits both" + std::string(texts::kCliScanOnly);
    return {};
}

// The widths a scan tries.
void NoteWidth(const std::string& value, CliOptions& options)
{
    options.widths = value == "both" ? SearchWidths::Both : value == "8" ? SearchWidths::Eight : SearchWidths::Eleven;
}

bool NeedsFile(const std::string& command)
{
    return command == "save" || command == "write" || command == "inspect" || command == "compare" || command == "diff";
}

}  // namespace

CommSettings ConnectionOverrides::AppliedTo(CommSettings settings) const
{
    if (baud) settings.baud_rate = *baud;
    if (address) settings.address = *address;
    if (addressBits) settings.adress_len = *addressBits;
    if (dataBits) settings.byte_size = *dataBits;
    if (parity) settings.parity = *parity;
    if (stopBits) settings.stop_bits = *stopBits;
    if (converter) settings.converter = *converter;
    return settings;
}

CommSettings SettingsForPort(const ConnectionOverrides& given, const std::optional<PortChoice>& port,
                             CommSettings stored)
{
    if (port && port->com) stored.com = *port->com;
    return given.AppliedTo(stored);
}

std::string AddressWidthProblem(const ConnectionOverrides& given, const CommSettings& applied)
{
    // Only what the command line says is judged: stored settings behave as
    // they always have.
    if ((!given.address && !given.addressBits) || applied.adress_len != 8 || applied.address <= 255) return {};
    if (given.address) return "--address " + std::to_string(applied.address) + texts::kCliAllowedValues + texts::kCliAddressValues + ")";
    return "--address-bits 8" + std::string(texts::kCliStoredAddressTooWide) + std::to_string(applied.address) + ")";
}

std::optional<CliOptions> ParseCliOptions(const std::vector<std::string>& args, std::string* error)
{
    CliOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        *error = arg;
        bool hasValue = i + 1 < args.size();
        if (TakesValue(arg)) {
            if (!hasValue) return std::nullopt;
            const std::string& value = args[++i];
            std::string allowed;
            const bool applied = IsConnectionOption(arg) ? ApplyConnection(arg, value, options.connection, &allowed)
                                                         : ApplyValue(arg, value, options, &allowed);
            if (applied && arg == "--baud") options.rates.push_back(*options.connection.baud);
            if (applied && arg == "--address-bits") NoteWidth(value, options);
            if (!applied) {
                *error = arg + " " + value;
                if (allowed == texts::kCliPortTwice) {
                    *error += allowed;
                } else if (!allowed.empty()) {
                    *error += texts::kCliAllowedValues + allowed + ")";
                }
                return std::nullopt;
            }
        } else if (arg.rfind("--", 0) == 0) {
            if (!ApplySwitch(arg, options)) return std::nullopt;
        } else if (options.command.empty()) {
            if (arg != "ports" && arg != "identify" && arg != "scan" && !NeedsFile(arg)) return std::nullopt;
            options.command = arg;
        } else if (NeedsFile(options.command) && options.file.empty()) {
            options.file = arg;
        } else if (options.command == "diff" && options.otherFile.empty()) {
            options.otherFile = arg;
        } else {
            return std::nullopt;
        }
    }
    *error = options.command.empty() ? std::string() : options.file;
    if (options.command.empty() || (NeedsFile(options.command) && options.file.empty())) return std::nullopt;
    if (options.command == "diff" && options.otherFile.empty()) return std::nullopt;
    *error = Conflict(options);
    if (!error->empty()) return std::nullopt;
    return options;
}
