#include "device/WriteRefusal.h"

#include <cstring>

#include "device/AreaJob.h"
#include "resources/DeviceTexts.h"

std::optional<WriteRefusal> RefuseWrite(const ConfigHeader& header, std::size_t imageLength)
{
    const uint32_t sizes[4] = {header.size0, header.size16, header.size40, header.size64};
    const uint64_t areas = uint64_t{sizes[0]} + sizes[1] + sizes[2] + sizes[3];
    // Sizes that do not add up would cut areas beyond the image's end.
    if (imageLength < kSmallestImage || imageLength > kLargestImage || areas + sizeof header != imageLength) {
        return WriteRefusal{texts::kImageSizeError, MsgIcon::Error};
    }
    for (int index = 0; index < 4; ++index) {
        if (sizes[index] == 0) return WriteRefusal{texts::WriteAreaTexts(kAreas[index]).failureText, MsgIcon::Exclamation};
    }
    return std::nullopt;
}

std::optional<WriteRefusal> RefuseImage(const uint8_t* image, std::size_t length)
{
    ConfigHeader header{};
    if (image && length >= sizeof header) std::memcpy(&header, image + length - sizeof header, sizeof header);
    return RefuseWrite(header, image ? length : 0);
}
