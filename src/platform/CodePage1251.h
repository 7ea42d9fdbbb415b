#pragma once
// Conversions between the encodings the core meets: the single-byte
// Cyrillic code page (Windows-1251) in which devices send their texts,
// UTF-16 (the configuration header) and UTF-8 (everything the user reads).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

std::u16string Cp1251ToUtf16(const uint8_t* bytes, std::size_t count);
// Characters the code page lacks become '?'.
std::string Utf16ToCp1251(std::u16string_view text);

std::string Utf16ToUtf8(std::u16string_view text);
// Malformed sequences become U+FFFD; characters beyond the BMP become
// surrogate pairs.
std::u16string Utf8ToUtf16(std::string_view text);
