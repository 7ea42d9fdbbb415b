#pragma once
// The order in which a search tries the settings a device may answer on:
// the stored settings first, then every address at the stored rate and
// format, then the other rates (most common first), then the other formats;
// 11-bit addressing only when asked for. Candidates of one rate, format and
// address width form a group, probed one address after the other on a
// port set up once for the group.

#include <cstdint>
#include <string>
#include <vector>

#include "settings/CommSettings.h"

enum class SearchFormats : uint8_t {
    Stored,  // the stored format only
    Common,  // and 8N1, 8E1, 8O1
    All,     // and every format of 7 or 8 data bits, parity none, even or odd, 1 or 2 stop bits
};

enum class SearchWidths : uint8_t { Stored, Eight, Eleven, Both };

struct SearchScope {
    std::vector<uint32_t> rates;  // empty: all nine
    SearchFormats formats = SearchFormats::Stored;
    SearchWidths widths = SearchWidths::Stored;
};

// One rate, format and address width, and the addresses to try there. The
// settings carry the stored port, converter and interface; their address
// is that of the group's first candidate.
struct ProbeGroup {
    CommSettings settings;
    std::vector<uint16_t> addresses;
};

// The nine rates, the most common on site first.
extern const uint32_t kRatesByUse[9];

std::vector<ProbeGroup> SearchOrder(const CommSettings& stored, const SearchScope& scope);
uint64_t CandidateCount(const std::vector<ProbeGroup>& groups);
inline bool IsElevenBit(const CommSettings& settings) { return settings.adress_len != 8; }
// The usual short form of a character format: data bits, parity letter,
// stop bits ("8N1").
std::string FormatName(const CommSettings& settings);
