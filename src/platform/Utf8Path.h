#pragma once
// Paths from the program's UTF-8 text and back, the same on every platform:
// on Windows a path made from a narrow string would be read in the ANSI
// code page, and a Cyrillic name would become another name.

#include <filesystem>
#include <string>
#include <string_view>

inline std::filesystem::path PathFromUtf8(std::string_view text)
{
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string Utf8FromPath(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}
