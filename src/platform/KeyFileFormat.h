#pragma once
// The text format of one key file:
//
//   mirrex-key 1
//   dword baud_rate 115200
//   string PAGE4_SaveToFile_Path_P4 /home/user/line\x203.klx41
//
// Names and string values are escaped (backslash, blank, control characters
// and DEL as \xHH, backslash itself as \\), so every value is one line and
// any byte survives the round trip.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>

using KeyValue = std::variant<uint32_t, std::string>;
using KeyValues = std::map<std::string, KeyValue>;

std::string FormatKeyFile(const KeyValues& values);
// nullopt for anything that is not a well-formed key file.
std::optional<KeyValues> ParseKeyFile(const std::string& text);
