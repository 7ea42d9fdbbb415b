#include "ConnectionText.h"

#include <algorithm>
#include <iterator>

#include "device/SearchOrder.h"
#include "resources/CliTexts.h"
#include "resources/SearchTexts.h"

namespace {

std::string Rate(uint32_t stored)
{
    if (std::find(std::begin(kBaudRates), std::end(kBaudRates), stored) != std::end(kBaudRates)) {
        return std::to_string(stored) + texts::kSearchBitsPerSecond;
    }
    // The port opens a rate it does not know at its fastest.
    return std::to_string(kBaudRates[std::size(kBaudRates) - 1]) + texts::kSearchBitsPerSecond +
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
    return texts::kCliConnection + port + ", " + Rate(settings.baud_rate) + ", " + FormatName(settings) +
           texts::kCliAddress + std::to_string(settings.address) + " (" +
           (eightBit ? texts::kCliEightBit : texts::kCliElevenBit) + "), " +
           (settings.converter != 0 ? texts::kCliConverterAuto : texts::kCliConverterSemi);
}
