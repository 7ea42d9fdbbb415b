#include "device/ConfigComparison.h"

#include <algorithm>
#include <cstring>

namespace {

AreaDifference CompareArea(const std::vector<uint8_t>& expected, const std::vector<uint8_t>& actual)
{
    AreaDifference difference;
    difference.expectedSize = static_cast<uint32_t>(expected.size());
    difference.actualSize = static_cast<uint32_t>(actual.size());
    const std::size_t common = std::min(expected.size(), actual.size());
    for (std::size_t offset = 0; offset < common; ++offset) {
        if (expected[offset] == actual[offset]) continue;
        ++difference.differingBytes;
        if (difference.firstOffsets.size() < kShownOffsets) difference.firstOffsets.push_back(static_cast<uint32_t>(offset));
    }
    const std::size_t longer = std::max(expected.size(), actual.size());
    if (longer > common) {
        difference.differingBytes += longer - common;
        if (difference.firstOffsets.size() < kShownOffsets) difference.firstOffsets.push_back(static_cast<uint32_t>(common));
    }
    difference.same = difference.differingBytes == 0;
    return difference;
}

}  // namespace

std::vector<uint8_t> ConfigSnapshot::Image() const
{
    std::vector<uint8_t> image;
    for (const std::vector<uint8_t>& area : areas) image.insert(image.end(), area.begin(), area.end());
    const auto* bytes = reinterpret_cast<const uint8_t*>(&header);
    image.insert(image.end(), bytes, bytes + sizeof header);
    return image;
}

ConfigSnapshot SnapshotOfImage(const uint8_t* image, std::size_t length)
{
    ConfigSnapshot snapshot;
    if (image == nullptr || length < sizeof(ConfigHeader)) return snapshot;
    std::memcpy(&snapshot.header, image + length - sizeof(ConfigHeader), sizeof(ConfigHeader));
    const std::size_t body = length - sizeof(ConfigHeader);
    const uint32_t sizes[4] = {snapshot.header.size0, snapshot.header.size16, snapshot.header.size40,
                               snapshot.header.size64};
    std::size_t at = 0;
    for (int index = 0; index < 4; ++index) {
        const std::size_t size = std::min<std::size_t>(sizes[index], body - at);
        snapshot.areas[index].assign(image + at, image + at + size);
        at += size;
    }
    return snapshot;
}

bool ConfigComparison::Same() const
{
    return modelSame && versionSame
           && std::all_of(std::begin(areas), std::end(areas), [](const AreaDifference& area) { return area.same; });
}

ConfigComparison CompareConfigurations(const ConfigSnapshot& expected, const ConfigSnapshot& actual)
{
    ConfigComparison comparison;
    const std::u16string model = HeaderDeviceName(actual.header);
    const std::u16string version = HeaderSoftwareVersion(actual.header);
    // Case counts, as in the write job's own check.
    comparison.modelSame = model.empty() || model == HeaderDeviceName(expected.header);
    comparison.versionSame = version.empty() || version == HeaderSoftwareVersion(expected.header);
    for (int index = 0; index < 4; ++index) {
        comparison.areas[index] = CompareArea(expected.areas[index], actual.areas[index]);
    }
    return comparison;
}
