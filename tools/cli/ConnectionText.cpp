#include "ConnectionText.h"

#include <algorithm>
#include <iterator>

#include "resources/CliTexts.h"

namespace {

// The usual short form: data bits, parity letter, stop bits ("8N1").
std::string CharacterFormat(const CommSettings& settings)
{
    const char parity = settings.parity == 1 ? 'O' : settings.parity == 2 ? 'E' : 'N';
    const char* stop = settings.stop_bits == 2 ? "2" : settings.stop_bits == 1 ? "1.5" : "1";
    return std::to_string(settings.byte_size) + parity + stop;
}

std::string Rate(uint32_t stored)
{
    if (std::find(std::begin(kBaudRates), std::end(kBaudRates), stored) != std::end(kBaudRates)) {
        return std::to_string(stored) + texts::kCliBitsPerSecond;
    }
    // The port opens a rate it does not know at its fastest.
    return std::to_string(kBaudRates[std::size(kBaudRates) - 1]) + texts::kCliBitsPerSecond +
           texts::kCliStoredRate + std::to_string(stored) + texts::kCliRateUnsupported;
}

}  // namespace

std::string DescribeConnection(const CommSettings& settings, const std::string& portName,
                               const std::optional<std::string>& devicePath)
{
    std::string port = portName;
    if (!devicePath) {
        port += texts::kCliPortAbsent;
    } else if (*devicePath != portName) {
        port += " (" + *devicePath + ")";
    }
    const bool eightBit = settings.adress_len == 8;
    return texts::kCliConnection + port + ", " + Rate(settings.baud_rate) + ", " + CharacterFormat(settings) +
           texts::kCliAddress + std::to_string(settings.address) + " (" +
           (eightBit ? texts::kCliEightBit : texts::kCliElevenBit) + "), " +
           (settings.converter != 0 ? texts::kCliConverterAuto : texts::kCliConverterSemi);
}
