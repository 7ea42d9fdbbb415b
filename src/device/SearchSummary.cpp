#include "device/SearchSummary.h"

#include "device/DeviceSearch.h"
#include "resources/SearchTexts.h"

std::string AddressWidthText(const CommSettings& settings) { return IsElevenBit(settings) ? "11" : "8"; }

std::string SearchCandidateText(const std::string& port, const CommSettings& settings)
{
    return port + ", " + std::to_string(settings.baud_rate) + texts::kSearchBitsPerSecond + ", "
           + FormatName(settings) + ", " + texts::kSearchAddress + std::to_string(settings.address) + " ("
           + AddressWidthText(settings) + ")";
}

std::string SearchedText(const DeviceSearch& search)
{
    std::string ports;
    std::string rates;
    std::string formats;
    std::string widths;
    const auto add = [](std::string& list, const std::string& item) {
        if (("," + list + ",").find("," + item + ",") == std::string::npos) list += (list.empty() ? "" : ",") + item;
    };
    for (const auto& port : search.Ports()) {
        add(ports, port->PortName());
        for (const ProbeGroup& group : port->Groups()) {
            add(rates, std::to_string(group.settings.baud_rate));
            add(formats, FormatName(group.settings));
            add(widths, "0.." + std::to_string(group.addresses.size() - 1) + " (" + AddressWidthText(group.settings) + ")");
        }
    }
    return std::string(texts::kSearchPorts) + ports + "; " + texts::kSearchRates + rates + "; " + texts::kSearchFormats
           + formats + "; " + texts::kSearchAddresses + widths + ". ";
}
