#include "configfile/ConfigHeader.h"

#include <algorithm>

namespace {

template <std::size_t N>
std::u16string TextOf(const char16_t (&field)[N])
{
    const char16_t* end = std::find(field, field + N, u'\0');
    return std::u16string(field, end);
}

// A text that fills the whole field loses its last unit to the NUL.
template <std::size_t N>
void StoreText(char16_t (&field)[N], const std::u16string& text)
{
    std::size_t count = std::min(text.size(), N - 1);
    std::copy_n(text.data(), count, field);
    field[count] = u'\0';
}

}  // namespace

std::u16string HeaderDeviceName(const ConfigHeader& header) { return TextOf(header.deviceName); }
std::u16string HeaderSoftwareVersion(const ConfigHeader& header) { return TextOf(header.softwareVersion); }
void SetHeaderDeviceName(ConfigHeader& header, const std::u16string& text) { StoreText(header.deviceName, text); }
void SetHeaderSoftwareVersion(ConfigHeader& header, const std::u16string& text)
{
    StoreText(header.softwareVersion, text);
}
