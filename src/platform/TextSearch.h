#pragma once
// Case-insensitive substring search over UTF-16 text that folds Latin
// (ASCII and Latin-1) and Cyrillic letters, Ё/ё and the other letters of
// the Cyrillic block included.

#include <string_view>

char16_t FoldCase(char16_t unit);
// True when needle occurs anywhere in haystack, ignoring case. An empty
// needle occurs nowhere.
bool ContainsIgnoringCase(std::u16string_view haystack, std::u16string_view needle);
