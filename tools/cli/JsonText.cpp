#include "JsonText.h"

#include <cstdio>

std::string JsonQuoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string JsonQuotedOrNull(const std::optional<std::string>& text) { return text ? JsonQuoted(*text) : "null"; }

std::string JsonNumbers(const uint32_t (&values)[4])
{
    return "[" + std::to_string(values[0]) + "," + std::to_string(values[1]) + "," + std::to_string(values[2]) + ","
           + std::to_string(values[3]) + "]";
}
