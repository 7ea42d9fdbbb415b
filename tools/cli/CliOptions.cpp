#include "CliOptions.h"

#include <charconv>
#include <type_traits>
#include <utility>

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
    if (name == "--port") {
        *allowed = texts::kCliPortValues;
        if (auto number = PortMap::NumberOfName(value)) {
            c.com = *number;
        } else if (value.find('/') != std::string::npos) {
            c.devicePath = value;
        } else {
            return false;
        }
        return true;
    }
    if (name == "--baud") return choose(c.baud, BaudRates());
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
        if (IsConnectionOption(arg) || arg == "--area-folder") {
            if (!hasValue) return std::nullopt;
            const std::string& value = args[++i];
            if (arg == "--area-folder") {
                options.areaFolder = value;
            } else if (std::string allowed; !ApplyConnection(arg, value, options.connection, &allowed)) {
                *error = arg + " " + value + texts::kCliAllowedValues + allowed + ")";
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
