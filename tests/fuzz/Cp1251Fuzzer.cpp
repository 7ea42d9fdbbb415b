// libFuzzer target: the conversions between the devices' single-byte
// Cyrillic code page, UTF-16 and UTF-8, and the decoding and model search of
// a device text, on any bytes.
//
// What it holds them to: every byte of the code page comes back from UTF-16
// as itself; a UTF-16 unit becomes one byte, '?' only where the code page
// has no such character; any bytes taken as UTF-8 become text that
// converts back and forth unchanged; a device text never holds more than a
// frame's data.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "device/DeviceText.h"
#include "platform/CodePage1251.h"
#include "platform/TextSearch.h"

namespace {

void Require(bool condition)
{
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::u16string decoded = Cp1251ToUtf16(data, size);
    Require(decoded.size() == size);
    const std::string encoded = Utf16ToCp1251(decoded);
    Require(encoded.size() == size && std::memcmp(encoded.data(), data, size) == 0);

    // The same bytes as UTF-16 units.
    std::u16string units(size / 2, u'\0');
    std::memcpy(units.data(), data, units.size() * 2);
    const std::string narrowed = Utf16ToCp1251(units);
    Require(narrowed.size() == units.size());
    const std::u16string widened = Cp1251ToUtf16(reinterpret_cast<const uint8_t*>(narrowed.data()), narrowed.size());
    for (std::size_t i = 0; i < units.size(); ++i) Require(widened[i] == units[i] || narrowed[i] == '?');

    // The same bytes as UTF-8: once made valid, the text stays as it is.
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::u16string fromUtf8 = Utf8ToUtf16(text);
    Require(Utf8ToUtf16(Utf16ToUtf8(fromUtf8)) == fromUtf8);

    // A device text as identification decodes it: a frame carries at most
    // 15 data bytes; the request's buffer holds 16.
    uint8_t frameData[16] = {};
    std::memcpy(frameData, data, std::min(size, sizeof frameData));
    const uint32_t length = size > 0 ? data[0] : 0;
    const std::u16string model = DecodeDeviceText(frameData, length);
    Require(model.size() <= sizeof frameData && model.find(u'\0') == std::u16string::npos);
    (void)IsSupportedModel(model);
    Require(ContainsIgnoringCase(decoded, decoded) == !decoded.empty());
    return 0;
}
