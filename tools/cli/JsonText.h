#pragma once
// Pieces of JSON for what mirrex-cli prints or appends for scripts: the
// line report and the --json output of identify, ports and inspect.

#include <cstdint>
#include <optional>
#include <string>

// A JSON string: UTF-8 passes as it is, quotes, backslashes and control
// characters are escaped. A byte that is not part of UTF-8 (a file name
// on Linux may hold any) is written as \u00XX, so that the line stays
// valid JSON and the byte can still be told.
std::string JsonQuoted(const std::string& text);
std::string JsonQuotedOrNull(const std::optional<std::string>& text);
// The four areas' numbers (sizes, re-writes) as an array.
std::string JsonNumbers(const uint32_t (&values)[4]);
