// libFuzzer target: the configuration header's two texts as a file may hold
// them: any UTF-16 units, with or without a terminating NUL, the record cut
// at any byte (an odd length leaves half a unit), and their conversion to
// UTF-8 for the user.
//
// What it holds them to: a text never reaches beyond its field; storing a
// text and reading it back gives the text (up to its NUL, cut to fit);
// UTF-16 to UTF-8 and back gives the same units, with only unpaired
// surrogates replaced by U+FFFD.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "configfile/ConfigHeader.h"
#include "platform/CodePage1251.h"

namespace {

void Require(bool condition)
{
    if (!condition) std::abort();
}

bool IsHigh(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLow(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

std::u16string WithLoneSurrogatesReplaced(const std::u16string& text)
{
    std::u16string out = text;
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (IsHigh(out[i]) && i + 1 < out.size() && IsLow(out[i + 1])) {
            ++i;
        } else if (IsHigh(out[i]) || IsLow(out[i])) {
            out[i] = u'\uFFFD';
        }
    }
    return out;
}

template <std::size_t N>
void RequireTextInsideField(const std::u16string& text, const char16_t (&field)[N])
{
    Require(text.size() <= N);
    Require(std::memcmp(text.data(), field, text.size() * sizeof(char16_t)) == 0);
    Require(text.size() == N || field[text.size()] == u'\0');
    Require(text.find(u'\0') == std::u16string::npos);
}

void RequireUtf8RoundTrip(const std::u16string& text)
{
    Require(Utf8ToUtf16(Utf16ToUtf8(text)) == WithLoneSurrogatesReplaced(text));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A record read from a file: what the input does not cover keeps a
    // filler without any NUL, as a field without terminator would.
    ConfigHeader header;
    std::memset(&header, 0x41, sizeof header);
    std::memcpy(&header, data, std::min(size, sizeof header));

    const std::u16string name = HeaderDeviceName(header);
    const std::u16string version = HeaderSoftwareVersion(header);
    RequireTextInsideField(name, header.deviceName);
    RequireTextInsideField(version, header.softwareVersion);
    RequireUtf8RoundTrip(name);
    RequireUtf8RoundTrip(version);

    // The rest of the input as a text to store, at any length.
    if (size > sizeof header) {
        std::u16string stored((size - sizeof header) / 2, u'\0');
        std::memcpy(stored.data(), data + sizeof header, stored.size() * 2);
        const ConfigHeader before = header;
        SetHeaderDeviceName(header, stored);
        SetHeaderSoftwareVersion(header, stored);
        const std::u16string upToNul = stored.substr(0, stored.find(u'\0'));
        Require(HeaderDeviceName(header) == upToNul.substr(0, 31));
        Require(HeaderSoftwareVersion(header) == upToNul.substr(0, 63));
        // The mark and the sizes are not touched.
        Require(std::memcmp(&header, &before, offsetof(ConfigHeader, deviceName)) == 0);
        RequireUtf8RoundTrip(stored);
    }
    return 0;
}
