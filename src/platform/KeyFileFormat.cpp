#include "platform/KeyFileFormat.h"

#include <charconv>
#include <string_view>

namespace {

constexpr std::string_view kFirstLine = "mirrex-key 1";
constexpr std::string_view kDword = "dword";
constexpr std::string_view kString = "string";

std::string Escape(std::string_view text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            out += "\\\\";
        } else if (byte <= 0x20 || byte == 0x7f) {
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0f];
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<int> HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return std::nullopt;
}

std::optional<std::string> Unescape(std::string_view text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte <= 0x20 || byte == 0x7f)
            return std::nullopt;
        if (text[i] != '\\') {
            out += text[i];
        } else if (i + 1 < text.size() && text[i + 1] == '\\') {
            out += '\\';
            i += 1;
        } else if (i + 3 < text.size() && text[i + 1] == 'x') {
            const auto high = HexDigit(text[i + 2]);
            const auto low = HexDigit(text[i + 3]);
            if (!high || !low)
                return std::nullopt;
            out += static_cast<char>(*high * 16 + *low);
            i += 3;
        } else {
            return std::nullopt;
        }
    }
    return out;
}

std::optional<uint32_t> ParseDword(std::string_view text)
{
    uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

// One "type name value" line into the map; false if it is malformed.
bool ParseValueLine(std::string_view line, KeyValues& values)
{
    const auto firstBlank = line.find(' ');
    const auto secondBlank = line.find(' ', firstBlank == line.npos ? line.npos : firstBlank + 1);
    if (secondBlank == line.npos)
        return false;
    const std::string_view type = line.substr(0, firstBlank);
    const auto name = Unescape(line.substr(firstBlank + 1, secondBlank - firstBlank - 1));
    const std::string_view data = line.substr(secondBlank + 1);
    if (!name || name->empty())
        return false;
    if (type == kDword) {
        const auto value = ParseDword(data);
        if (!value)
            return false;
        values[*name] = *value;
        return true;
    }
    if (type == kString) {
        auto value = Unescape(data);
        if (!value)
            return false;
        values[*name] = std::move(*value);
        return true;
    }
    return false;
}

}  // namespace

std::string FormatKeyFile(const KeyValues& values)
{
    std::string text(kFirstLine);
    text += '\n';
    for (const auto& [name, value] : values) {
        if (const auto* dword = std::get_if<uint32_t>(&value)) {
            text += std::string(kDword) + ' ' + Escape(name) + ' ' + std::to_string(*dword);
        } else {
            text += std::string(kString) + ' ' + Escape(name) + ' '
                    + Escape(std::get<std::string>(value));
        }
        text += '\n';
    }
    return text;
}

std::optional<KeyValues> ParseKeyFile(const std::string& text)
{
    std::string_view rest(text);
    if (rest.substr(0, kFirstLine.size() + 1) != std::string(kFirstLine) + '\n')
        return std::nullopt;
    rest.remove_prefix(kFirstLine.size() + 1);

    KeyValues values;
    while (!rest.empty()) {
        const auto end = rest.find('\n');
        if (end == rest.npos)
            return std::nullopt;  // every line we write ends with a line feed
        if (!ParseValueLine(rest.substr(0, end), values))
            return std::nullopt;
        rest.remove_prefix(end + 1);
    }
    return values;
}
