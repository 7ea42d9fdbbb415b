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

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

// The line without the blanks around it; a CRLF line end leaves its CR here.
std::string_view Trimmed(std::string_view line)
{
    while (!line.empty() && IsBlank(line.front()))
        line.remove_prefix(1);
    while (!line.empty() && IsBlank(line.back()))
        line.remove_suffix(1);
    return line;
}

// The next field of a line and the rest after the blanks that end it. Our
// own files separate fields by one blank and escape every blank inside
// them, so a run of blanks can only be a separator.
std::string_view NextField(std::string_view& rest)
{
    std::size_t end = 0;
    while (end < rest.size() && !IsBlank(rest[end]))
        ++end;
    const std::string_view field = rest.substr(0, end);
    rest.remove_prefix(end);
    while (!rest.empty() && IsBlank(rest.front()))
        rest.remove_prefix(1);
    return field;
}

// One "type name value" line into the map; false if it is malformed.
bool ParseValueLine(std::string_view line, KeyValues& values)
{
    const std::string_view type = NextField(line);
    const auto name = Unescape(NextField(line));
    const std::string_view data = NextField(line);
    if (!line.empty() || !name || name->empty())
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

// Takes the next line off the text, without its line feed.
std::string_view NextLine(std::string_view& text)
{
    const auto end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end == text.npos ? text.size() : end + 1);
    return line;
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

std::optional<ParsedKeyFile> ParseKeyFile(std::string_view text)
{
    // An editor may have put a byte order mark in front.
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark)
        text.remove_prefix(kByteOrderMark.size());
    if (Trimmed(NextLine(text)) != kFirstLine)
        return std::nullopt;

    ParsedKeyFile parsed;
    while (!text.empty()) {
        const std::string_view line = Trimmed(NextLine(text));
        if (!line.empty() && !ParseValueLine(line, parsed.values))
            ++parsed.unreadableLines;
    }
    return parsed;
}
