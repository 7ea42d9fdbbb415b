#include "CliOptions.h"

#include <charconv>
#include <functional>
#include <map>

#include "platform/PortMap.h"

namespace {

template <typename T>
std::optional<T> Number(const std::string& text, uint64_t low, uint64_t high)
{
    uint64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) return std::nullopt;
    return static_cast<T>(value);
}

std::optional<uint32_t> Choice(const std::string& text, const std::map<std::string, uint32_t>& choices)
{
    auto found = choices.find(text);
    if (found == choices.end()) return std::nullopt;
    return found->second;
}

// Sets one connection option from its value; false when the value is bad.
bool ApplyConnection(const std::string& name, const std::string& value, ConnectionOverrides& c)
{
    if (name == "--port") {
        if (auto number = PortMap::NumberOfName(value)) {
            c.com = *number;
        } else if (value.find('/') != std::string::npos) {
            c.devicePath = value;
        } else {
            return false;
        }
        return true;
    }
    if (name == "--baud") return (c.baud = Number<uint32_t>(value, 1, 4000000)).has_value();
    if (name == "--address") return (c.address = Number<uint16_t>(value, 0, 2047)).has_value();
    if (name == "--address-bits") {
        return (c.addressBits = Choice(value, {{"8", 8}, {"11", 11}})).has_value();
    }
    if (name == "--data-bits") return (c.dataBits = Number<uint8_t>(value, 5, 8)).has_value();
    if (name == "--parity") return (c.parity = Choice(value, {{"none", 0}, {"odd", 1}, {"even", 2}})).has_value();
    if (name == "--stop-bits") return (c.stopBits = Choice(value, {{"1", 0}, {"2", 2}})).has_value();
    if (name == "--converter") return (c.converter = Choice(value, {{"auto", 1}, {"semi", 0}})).has_value();
    return false;
}

bool IsConnectionOption(const std::string& name)
{
    for (const char* known : {"--port", "--baud", "--address", "--address-bits", "--data-bits", "--parity",
                              "--stop-bits", "--converter"}) {
        if (name == known) return true;
    }
    return false;
}

bool ApplySwitch(const std::string& name, CliOptions& options)
{
    if (name == "--force" && options.command == "save") return options.force = true;
    if (options.command != "write") return false;
    if (name == "--set-clock") return options.setClock = true;
    if (name == "--accept-version-mismatch") return options.acceptVersionMismatch = true;
    // Verifying is the default; --verify is still taken, as scripts use it.
    if (name == "--verify") return true;
    if (name == "--no-verify") {
        options.verify = false;
        return true;
    }
    return false;
}

bool NeedsFile(const std::string& command) { return command == "save" || command == "write" || command == "inspect"; }

}  // namespace

CommSettings ConnectionOverrides::AppliedTo(CommSettings settings) const
{
    if (com) settings.com = *com;
    if (baud) settings.baud_rate = *baud;
    if (address) settings.address = *address;
    if (addressBits) settings.adress_len = *addressBits;
    if (dataBits) settings.byte_size = *dataBits;
    if (parity) settings.parity = *parity;
    if (stopBits) settings.stop_bits = *stopBits;
    if (converter) settings.converter = *converter;
    return settings;
}

std::optional<CliOptions> ParseCliOptions(const std::vector<std::string>& args, std::string* error)
{
    CliOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        *error = arg;
        bool hasValue = i + 1 < args.size();
        if (IsConnectionOption(arg) || arg == "--area-folder") {
            if (!hasValue) return std::nullopt;
            const std::string& value = args[++i];
            if (arg == "--area-folder") {
                options.areaFolder = value;
            } else if (!ApplyConnection(arg, value, options.connection)) {
                *error = arg + " " + value;
                return std::nullopt;
            }
        } else if (arg.rfind("--", 0) == 0) {
            if (!ApplySwitch(arg, options)) return std::nullopt;
        } else if (options.command.empty()) {
            if (arg != "ports" && arg != "identify" && !NeedsFile(arg)) return std::nullopt;
            options.command = arg;
        } else if (NeedsFile(options.command) && options.file.empty()) {
            options.file = arg;
        } else {
            return std::nullopt;
        }
    }
    *error = options.command.empty() ? std::string() : options.file;
    if (options.command.empty() || (NeedsFile(options.command) && options.file.empty())) return std::nullopt;
    error->clear();
    return options;
}
