#include "platform/TextSearch.h"

#include <algorithm>

char16_t FoldCase(char16_t unit)
{
    if (unit >= u'A' && unit <= u'Z') return static_cast<char16_t>(unit + 0x20);
    if (unit >= 0x00C0 && unit <= 0x00DE && unit != 0x00D7) return static_cast<char16_t>(unit + 0x20);
    if (unit >= 0x0400 && unit <= 0x040F) return static_cast<char16_t>(unit + 0x50);
    if (unit >= 0x0410 && unit <= 0x042F) return static_cast<char16_t>(unit + 0x20);
    if (unit == 0x0490) return 0x0491;
    return unit;
}

bool ContainsIgnoringCase(std::u16string_view haystack, std::u16string_view needle)
{
    if (needle.empty()) return false;
    auto equal = [](char16_t a, char16_t b) { return FoldCase(a) == FoldCase(b); };
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end(), equal) != haystack.end();
}
