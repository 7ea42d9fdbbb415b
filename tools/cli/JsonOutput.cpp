#include "JsonOutput.h"

#include "JsonText.h"
#include "platform/CodePage1251.h"

namespace {

std::string ModelAndVersion(const ConfigHeader& header)
{
    return "\"model\":" + JsonQuoted(Utf16ToUtf8(HeaderDeviceName(header))) + ",\"version\":"
           + JsonQuoted(Utf16ToUtf8(HeaderSoftwareVersion(header)));
}

}  // namespace

std::string IdentifyJson(const std::string& port, const std::optional<std::string>& device,
                         const ConfigHeader& answered)
{
    return "{\"port\":" + JsonQuoted(port) + ",\"device\":" + JsonQuotedOrNull(device) + ","
           + ModelAndVersion(answered) + "}\n";
}

std::string PortJson(const PortEntry& port)
{
    const bool described = !port.description.empty() && port.description != port.devicePath;
    return "{\"port\":" + JsonQuoted(port.name) + ",\"device\":" + JsonQuoted(port.devicePath) + ",\"description\":"
           + JsonQuotedOrNull(described ? std::optional<std::string>(port.description) : std::nullopt) + "}\n";
}

std::string InspectJson(const std::string& file, const std::string& sha256, const ConfigHeader& header,
                        const std::optional<std::string>& refusal)
{
    const uint32_t sizes[4] = {header.size0, header.size16, header.size40, header.size64};
    return "{\"file\":" + JsonQuoted(file) + ",\"sha256\":" + JsonQuoted(sha256) + "," + ModelAndVersion(header)
           + ",\"sizes\":" + JsonNumbers(sizes) + ",\"refusal\":" + JsonQuotedOrNull(refusal) + "}\n";
}
