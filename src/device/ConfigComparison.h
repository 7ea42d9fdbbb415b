#pragma once
// One configuration as the comparisons see it (the header's model and
// version, and the four areas), cut from a file's image or read from a
// device, and what differs between two of them.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "configfile/ConfigHeader.h"

struct ConfigSnapshot {
    // Model and version as the header carries them; magic and sizes set.
    ConfigHeader header{};
    std::vector<uint8_t> areas[4];  // 0, 16, 40, 64

    // The bytes of a configuration file: the four areas, then the header.
    std::vector<uint8_t> Image() const;
};

// The areas of an image whose header sizes add up to its length (a
// checked file's image); an image that does not is cut as far as it goes.
ConfigSnapshot SnapshotOfImage(const uint8_t* image, std::size_t length);

struct AreaDifference {
    bool same = true;
    uint32_t expectedSize = 0;
    uint32_t actualSize = 0;
    // Bytes that differ where both hold the area, plus those only the
    // longer one holds.
    uint64_t differingBytes = 0;
    std::vector<uint32_t> firstOffsets;  // at most kShownOffsets, ascending
};

struct ConfigComparison {
    bool modelSame = true;
    bool versionSame = true;
    AreaDifference areas[4];

    bool Same() const;
};

constexpr std::size_t kShownOffsets = 8;

// expected: the file; actual: the device (or the second file). A model or
// version the actual side does not name (a device without that parameter,
// whose write the job lets pass as well) is not held against it.
ConfigComparison CompareConfigurations(const ConfigSnapshot& expected, const ConfigSnapshot& actual);
