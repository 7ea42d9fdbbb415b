#pragma once
// UTF-8 inside the program, UTF-16 at the Windows calls.

#include <string>
#include <string_view>

#include "platform/CodePage1251.h"

inline std::wstring WideOf(std::string_view utf8)
{
    const std::u16string text = Utf8ToUtf16(utf8);
    return std::wstring(text.begin(), text.end());
}

inline std::string Utf8Of(std::wstring_view wide)
{
    return Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}
