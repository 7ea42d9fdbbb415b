#include "DevsimOptions.h"

#include <charconv>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string_view>

#include "protocol/FrameCodec.h"

const char* const kDevsimUsage =
    "usage: mirrex-devsim [options]\n"
    "Plays a device on a pseudo-terminal. Prints the terminal's path, then the\n"
    "COM name it was registered under, one per line, and runs until interrupted.\n"
    "SIGUSR1 takes the devices off the line (they hear nothing) and puts them back,\n"
    "as when a device is swapped behind an adapter that stays plugged in.\n"
    "  --model TEXT            model name (KLX41)\n"
    "  --version TEXT          software version (1.0); alone: this program's version\n"
    "  --address N             device address (16)\n"
    "  --address-bits 8|11     address width (8)\n"
    "  --areas DIR             start from DIR/config_{0,16,40,64}.dat\n"
    "  --random-areas SEED:S0,S16,S40,S64\n"
    "                          start from random areas of these sizes\n"
    "  --save-areas DIR        keep the areas in DIR, rewritten after every area write\n"
    "  --log-requests FILE     append a line for every request heard: identifier in\n"
    "                          hexadecimal, R (read) or W (write), data bytes\n"
    "  --announce-offset N     announce every area N bytes larger (or smaller) than it is\n"
    "  --area-capacity N       largest area a write may fill (1048576)\n"
    "  --baud N                the device's line rate in bit/s (115200)\n"
    "  --format 8N1|8E1|7O2..  the device's data bits, parity, stop bits (8N1);\n"
    "                          a PC at another rate or format gets no answer\n"
    "  --half-duplex           deaf while answering, as on a two-wire RS-485 bus\n"
    "  --adapter-latency MS    answers reach the PC at the ticks of a USB\n"
    "                          adapter's latency timer of MS milliseconds\n"
    "  --turnaround MS         silence before an answer (2)\n"
    "  --restart-silence MS    deaf after a restart command (3000)\n"
    "  --vanish-after N        stop answering after N requests\n"
    "  --endless-read          block reads never reach the end of an area\n"
    "  --faults RATE           spoil requests at random with this probability\n"
    "  --fault-kinds LIST      kinds drawn from (silence,badcrc,wrongid,split,garble);\n"
    "                          also nerr and lost\n"
    "  --seed N                seed of the random faults (1)\n"
    "  --burst D:S             for D ms every S s every character the device sends\n"
    "                          is garbled or lost (the first burst after S s)\n"
    "  --fault ID:SKIP:TIMES:KIND[:SPLITAT[:GAPMS]]\n"
    "                          spoil requests ID (a name, 0xHASH or *): let SKIP pass,\n"
    "                          then spoil TIMES of them; may be repeated\n"
    "  --fault-script FILE     one --fault rule per line (# starts a comment)\n"
    "  --device address=N[,bits=8|11][,model=TEXT][,version=TEXT][,turnaround=MS][,areas=DIR]\n"
    "                          another device on the same line (a bus), at the same\n"
    "                          rate and format; may be repeated. Two devices at one\n"
    "                          address answer together, and their answers collide\n"
    "  --com N                 register as COMN (default: the first free number)\n"
    "  --no-alias              do not register a COM name\n"
    "  --exit-with-parent      end when the starting process ends\n"
    "  --help                  this text\n";

namespace {

template <typename T>
bool ParseUnsigned(std::string_view text, T& value, int base = 10)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

bool ParseDouble(const std::string& text, double& value)
{
    std::istringstream stream(text);
    stream >> value;
    return !stream.fail() && stream.eof();
}

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::string part;
    std::istringstream stream(text);
    while (std::getline(stream, part, separator))
        parts.push_back(part);
    if (!text.empty() && text.back() == separator)
        parts.emplace_back();
    return parts;
}

std::optional<DeviceFault> FaultKindOf(const std::string& name)
{
    static const std::map<std::string, DeviceFault> kinds = {
        {"none", DeviceFault::None},       {"silence", DeviceFault::Silence},
        {"badcrc", DeviceFault::BadCrc},   {"nerr", DeviceFault::Nerr},
        {"wrongid", DeviceFault::WrongId}, {"split", DeviceFault::Split},
        {"garble", DeviceFault::Garble},   {"lost", DeviceFault::LostAfterAct},
    };
    const auto found = kinds.find(name);
    return found == kinds.end() ? std::nullopt : std::optional(found->second);
}

std::optional<uint16_t> RequestIdOf(const std::string& text)
{
    if (text == "*")
        return uint16_t{0};
    uint16_t id = 0;
    if (text.size() > 2 && text.compare(0, 2, "0x") == 0 && ParseUnsigned(std::string_view(text).substr(2), id, 16))
        return id;
    id = NameHash(text.c_str(), text.size());
    return id != 0 ? std::optional(id) : std::nullopt;
}

// Data bits 5..8, parity N/E/O, stop bits 1 or 2.
bool ParseFormat(const std::string& text, LineFormat& format)
{
    if (text.size() != 3 || text[0] < '5' || text[0] > '8'
        || std::string_view("NEO").find(text[1]) == std::string_view::npos || (text[2] != '1' && text[2] != '2'))
        return false;
    format.dataBits = static_cast<uint8_t>(text[0] - '0');
    format.parity = text[1] == 'N' ? LineParity::None : text[1] == 'E' ? LineParity::Even : LineParity::Odd;
    format.stopBits = text[2] == '1' ? LineStopBits::One : LineStopBits::Two;
    return true;
}

std::optional<RandomAreas> ParseRandomAreas(const std::string& text)
{
    const auto colon = text.find(':');
    RandomAreas areas;
    if (colon == std::string::npos || !ParseUnsigned(std::string_view(text).substr(0, colon), areas.seed))
        return std::nullopt;
    const auto sizes = Split(text.substr(colon + 1), ',');
    if (sizes.size() != areas.sizes.size())
        return std::nullopt;
    for (size_t i = 0; i < sizes.size(); ++i) {
        if (!ParseUnsigned(std::string_view(sizes[i]), areas.sizes[i]))
            return std::nullopt;
    }
    return areas;
}

bool ReadFaultScript(const std::string& path, std::vector<FaultRule>& rules, std::string& error)
{
    std::ifstream file(path);
    if (!file) {
        error = "cannot read the fault script " + path;
        return false;
    }
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        line = line.substr(0, line.find('#'));
        line.erase(line.find_last_not_of(" \t\r") + 1);
        line.erase(0, line.find_first_not_of(" \t"));
        if (line.empty())
            continue;
        const auto rule = ParseFaultRule(line);
        if (!rule) {
            error = path + ":" + std::to_string(number) + ": not a fault rule: " + line;
            return false;
        }
        rules.push_back(*rule);
    }
    return true;
}

}  // namespace

std::optional<BusDevice> ParseBusDevice(const std::string& text)
{
    BusDevice bus;
    DeviceModelConfig& device = bus.device;
    bool addressGiven = false;
    for (const std::string& item : Split(text, ',')) {
        const auto equals = item.find('=');
        if (equals == std::string::npos)
            return std::nullopt;
        const std::string key = item.substr(0, equals);
        const std::string value = item.substr(equals + 1);
        bool good = true;
        if (key == "address") {
            good = ParseUnsigned(std::string_view(value), device.address);
            addressGiven = good;
        } else if (key == "bits") {
            good = value == "8" || value == "11";
            device.elevenBit = value == "11";
        } else if (key == "model") {
            device.model = value;
        } else if (key == "version") {
            device.version = value;
        } else if (key == "turnaround") {
            good = ParseUnsigned(std::string_view(value), device.turnaroundMs);
        } else if (key == "areas") {
            bus.areasDir = value;
            good = !value.empty();
        } else {
            good = false;
        }
        if (!good)
            return std::nullopt;
    }
    if (!addressGiven || device.address > (device.elevenBit ? 2047 : 255))
        return std::nullopt;
    return bus;
}

std::optional<FaultRule> ParseFaultRule(const std::string& text)
{
    const auto parts = Split(text, ':');
    if (parts.size() < 4 || parts.size() > 6)
        return std::nullopt;
    FaultRule rule;
    const auto id = RequestIdOf(parts[0]);
    const auto kind = FaultKindOf(parts[3]);
    if (!id || !kind || !ParseUnsigned(std::string_view(parts[1]), rule.skip)
        || !ParseUnsigned(std::string_view(parts[2]), rule.times))
        return std::nullopt;
    rule.id = *id;
    rule.fault.kind = *kind;
    if (parts.size() > 4 && !ParseUnsigned(std::string_view(parts[4]), rule.fault.splitAt))
        return std::nullopt;
    if (parts.size() > 5 && !ParseUnsigned(std::string_view(parts[5]), rule.fault.gapMs))
        return std::nullopt;
    return rule;
}

bool ParseDevsimOptions(int argc, char** argv, DevsimOptions& options, std::string& error)
{
    options.faultKinds = {DeviceFault::Silence, DeviceFault::BadCrc, DeviceFault::WrongId,
                          DeviceFault::Split, DeviceFault::Garble};
    DeviceModelConfig& device = options.device;

    // Each option with a value: how to take it; false when the value is wrong.
    using Setter = std::function<bool(const std::string&)>;
    const std::map<std::string, Setter> valued = {
        {"--model", [&](const std::string& v) { device.model = v; return true; }},
        {"--version", [&](const std::string& v) { device.version = v; return true; }},
        {"--address", [&](const std::string& v) { return ParseUnsigned(std::string_view(v), device.address); }},
        {"--address-bits", [&](const std::string& v) {
             device.elevenBit = v == "11";
             return v == "8" || v == "11";
         }},
        {"--areas", [&](const std::string& v) { options.areasDir = v; return !v.empty(); }},
        {"--random-areas", [&](const std::string& v) {
             options.randomAreas = ParseRandomAreas(v);
             return options.randomAreas.has_value();
         }},
        {"--save-areas", [&](const std::string& v) { options.saveAreasDir = v; return !v.empty(); }},
        {"--log-requests", [&](const std::string& v) { options.requestLog = v; return !v.empty(); }},
        {"--announce-offset", [&](const std::string& v) {
             const bool negative = !v.empty() && v[0] == '-';
             uint32_t magnitude = 0;
             if (!ParseUnsigned(std::string_view(v).substr(negative ? 1 : 0), magnitude) || magnitude > 1u << 24)
                 return false;
             device.announceOffset = negative ? -static_cast<int32_t>(magnitude) : static_cast<int32_t>(magnitude);
             return true;
         }},
        {"--area-capacity", [&](const std::string& v) { return ParseUnsigned(std::string_view(v), device.areaCapacity); }},
        {"--baud", [&](const std::string& v) {
             return ParseUnsigned(std::string_view(v), options.line.format.baudRate) && options.line.format.baudRate > 0;
         }},
        {"--format", [&](const std::string& v) { return ParseFormat(v, options.line.format); }},
        {"--adapter-latency", [&](const std::string& v) {
             return ParseUnsigned(std::string_view(v), options.line.adapterLatencyMs);
         }},
        {"--turnaround", [&](const std::string& v) { return ParseUnsigned(std::string_view(v), device.turnaroundMs); }},
        {"--restart-silence", [&](const std::string& v) { return ParseUnsigned(std::string_view(v), device.restartSilenceMs); }},
        {"--vanish-after", [&](const std::string& v) { return ParseUnsigned(std::string_view(v), device.vanishAfter); }},
        {"--faults", [&](const std::string& v) {
             return ParseDouble(v, options.faultRate) && options.faultRate >= 0.0 && options.faultRate <= 1.0;
         }},
        {"--fault-kinds", [&](const std::string& v) {
             options.faultKinds.clear();
             for (const auto& name : Split(v, ',')) {
                 const auto kind = FaultKindOf(name);
                 if (!kind)
                     return false;
                 options.faultKinds.push_back(*kind);
             }
             return !options.faultKinds.empty();
         }},
        {"--seed", [&](const std::string& v) { return ParseUnsigned(std::string_view(v), options.seed); }},
        {"--burst", [&](const std::string& v) {
             const auto parts = Split(v, ':');
             uint32_t seconds = 0;
             BurstTiming& burst = options.line.burst;
             return parts.size() == 2 && ParseUnsigned(std::string_view(parts[0]), burst.durationMs)
                 && ParseUnsigned(std::string_view(parts[1]), seconds) && seconds > 0 && seconds <= 3600
                 && burst.durationMs > 0 && burst.durationMs < seconds * 1000 && (burst.periodMs = seconds * 1000);
         }},
        {"--fault", [&](const std::string& v) {
             const auto rule = ParseFaultRule(v);
             if (rule)
                 options.faultScript.push_back(*rule);
             return rule.has_value();
         }},
        {"--device", [&](const std::string& v) {
             const auto bus = ParseBusDevice(v);
             if (bus)
                 options.busDevices.push_back(*bus);
             return bus.has_value();
         }},
        {"--com", [&](const std::string& v) { return ParseUnsigned(std::string_view(v), options.com) && options.com > 0; }},
    };

    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help") {
            error.clear();
            return false;
        } else if (option == "--endless-read") {
            device.endlessReadData = true;
        } else if (option == "--half-duplex") {
            options.line.halfDuplex = true;
        } else if (option == "--no-alias") {
            options.registerAlias = false;
        } else if (option == "--exit-with-parent") {
            options.exitWithParent = true;
        } else if (option == "--fault-script") {
            if (i + 1 >= argc || !ReadFaultScript(argv[++i], options.faultScript, error)) {
                if (error.empty())
                    error = "--fault-script needs a file";
                return false;
            }
        } else if (const auto setter = valued.find(option); setter != valued.end()) {
            if (i + 1 >= argc) {
                error = option + " needs a value";
                return false;
            }
            const std::string value = argv[++i];
            if (!setter->second(value)) {
                error = "bad value for " + option + ": " + value;
                return false;
            }
        } else {
            error = "unknown option " + option;
            return false;
        }
    }
    if (!options.areasDir.empty() && options.randomAreas) {
        error = "--areas and --random-areas exclude each other";
        return false;
    }
    return true;
}
