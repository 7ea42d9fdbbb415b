#include "device/SearchOrder.h"

#include <algorithm>

const uint32_t kRatesByUse[9] = {115200, 9600, 19200, 57600, 38400, 4800, 2400, 28800, 14400};

namespace {

struct CharacterFormat {
    uint8_t dataBits;
    uint32_t parity;     // as stored: 0 none, 1 odd, 2 even
    uint32_t stopBits;   // as stored: 0 one, 2 two

    bool operator==(const CharacterFormat&) const = default;
};

CharacterFormat FormatOf(const CommSettings& settings)
{
    return {settings.byte_size, settings.parity, settings.stop_bits};
}

std::vector<CharacterFormat> Formats(const CommSettings& stored, SearchFormats which)
{
    std::vector<CharacterFormat> formats{FormatOf(stored)};
    const auto add = [&](const CharacterFormat& format) {
        if (std::find(formats.begin(), formats.end(), format) == formats.end()) formats.push_back(format);
    };
    if (which == SearchFormats::Stored) return formats;
    for (const uint32_t parity : {0u, 2u, 1u}) add({8, parity, 0});
    if (which == SearchFormats::Common) return formats;
    for (const uint8_t dataBits : {uint8_t{8}, uint8_t{7}}) {
        for (const uint32_t stopBits : {0u, 2u}) {
            for (const uint32_t parity : {0u, 2u, 1u}) add({dataBits, parity, stopBits});
        }
    }
    return formats;
}

// The stored rate first when it is one of those to try, then the others
// in the order given (or by use).
std::vector<uint32_t> Rates(const CommSettings& stored, const std::vector<uint32_t>& asked)
{
    std::vector<uint32_t> pool = asked.empty() ? std::vector<uint32_t>(std::begin(kRatesByUse), std::end(kRatesByUse))
                                               : asked;
    std::vector<uint32_t> rates;
    if (std::find(pool.begin(), pool.end(), stored.baud_rate) != pool.end()) rates.push_back(stored.baud_rate);
    for (const uint32_t rate : pool) {
        if (std::find(rates.begin(), rates.end(), rate) == rates.end()) rates.push_back(rate);
    }
    return rates;
}

std::vector<uint8_t> Widths(const CommSettings& stored, SearchWidths which)
{
    const uint8_t storedWidth = IsElevenBit(stored) ? 11 : 8;
    switch (which) {
    case SearchWidths::Eight: return {8};
    case SearchWidths::Eleven: return {11};
    case SearchWidths::Both: return {storedWidth, static_cast<uint8_t>(storedWidth == 8 ? 11 : 8)};
    case SearchWidths::Stored: break;
    }
    return {storedWidth};
}

// Every address of the width, the stored one first when it is one of them.
std::vector<uint16_t> Addresses(uint16_t stored, uint8_t width)
{
    const uint16_t count = width == 8 ? 256 : 2048;
    std::vector<uint16_t> addresses;
    addresses.reserve(count);
    if (stored < count) addresses.push_back(stored);
    for (uint16_t address = 0; address < count; ++address) {
        if (address != stored) addresses.push_back(address);
    }
    return addresses;
}

}  // namespace

std::vector<ProbeGroup> SearchOrder(const CommSettings& stored, const SearchScope& scope)
{
    std::vector<ProbeGroup> groups;
    for (const uint8_t width : Widths(stored, scope.widths)) {
        for (const CharacterFormat& format : Formats(stored, scope.formats)) {
            for (const uint32_t rate : Rates(stored, scope.rates)) {
                ProbeGroup group;
                group.settings = stored;
                group.settings.baud_rate = rate;
                group.settings.byte_size = format.dataBits;
                group.settings.parity = format.parity;
                group.settings.stop_bits = format.stopBits;
                group.settings.adress_len = width;
                group.addresses = Addresses(stored.address, width);
                group.settings.address = group.addresses.front();
                groups.push_back(std::move(group));
            }
        }
    }
    return groups;
}

uint64_t CandidateCount(const std::vector<ProbeGroup>& groups)
{
    uint64_t count = 0;
    for (const ProbeGroup& group : groups) count += group.addresses.size();
    return count;
}

std::string FormatName(const CommSettings& settings)
{
    const char parity = settings.parity == 1 ? 'O' : settings.parity == 2 ? 'E' : 'N';
    const char* stop = settings.stop_bits == 2 ? "2" : settings.stop_bits == 1 ? "1.5" : "1";
    return std::to_string(settings.byte_size) + parity + stop;
}
