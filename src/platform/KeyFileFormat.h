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
//
// The file is meant to survive a hand edit: it is read line by line, CRLF
// line ends, a missing last line end, blank lines and blanks around the
// fields are accepted, and a line that cannot be understood costs only the
// value it held.

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

using KeyValue = std::variant<uint32_t, std::string>;
using KeyValues = std::map<std::string, KeyValue>;

struct ParsedKeyFile {
    KeyValues values;
    // Lines that held something other than a value we can read; the next
    // write drops them.
    std::size_t unreadableLines = 0;
};

std::string FormatKeyFile(const KeyValues& values);
// nullopt only for a text that is not a key file at all (its first line is
// not ours).
std::optional<ParsedKeyFile> ParseKeyFile(std::string_view text);
