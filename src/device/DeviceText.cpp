#include "device/DeviceText.h"

#include <algorithm>
#include <vector>

#include "platform/CodePage1251.h"
#include "platform/TextSearch.h"

namespace {

const char16_t* const kSupportedModels[] = {
    u"PGX207K", u"RGX207K", u"РГХ207К", u"РГХ206К", u"KLX41", u"КЛХ41", u"клх51м", u"клх51l",
};

}  // namespace

std::u16string DecodeDeviceText(const uint8_t* data, uint32_t length)
{
    const uint8_t* end = std::find(data, data + std::min<uint32_t>(length, 16), uint8_t{0});
    std::vector<uint8_t> ordered(data, end);
    std::reverse(ordered.begin(), ordered.end());
    return Cp1251ToUtf16(ordered.data(), ordered.size());
}

bool IsSupportedModel(const std::u16string& model)
{
    return std::any_of(std::begin(kSupportedModels), std::end(kSupportedModels),
                       [&](const char16_t* entry) { return ContainsIgnoringCase(model, entry); });
}
