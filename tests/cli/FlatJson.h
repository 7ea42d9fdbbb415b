#pragma once
// Reads one JSON object of the kind mirrex-cli prints for scripts: names to
// values, each a string, null, true/false, a number or an array of numbers.
// Anything else, or anything malformed, is not an object: a test of the
// output then fails instead of reading half of it.

#include <cctype>
#include <map>
#include <optional>
#include <string>

// Strings unescaped, null as nullopt, the others as their text.
using FlatJson = std::map<std::string, std::optional<std::string>>;

class FlatJsonReader {
public:
    explicit FlatJsonReader(const std::string& text) : m_text(text) {}

    // The object, followed by nothing but a line end.
    std::optional<FlatJson> Object()
    {
        FlatJson object;
        if (!Take('{')) return std::nullopt;
        if (!Take('}')) {
            do {
                std::optional<std::string> name = String();
                if (!name || !Take(':')) return std::nullopt;
                std::optional<std::optional<std::string>> value = Value();
                if (!value || object.count(*name)) return std::nullopt;
                object[*name] = *value;
            } while (Take(','));
            if (!Take('}')) return std::nullopt;
        }
        Take('\n');
        return m_at == m_text.size() ? std::optional<FlatJson>(object) : std::nullopt;
    }

private:
    bool Take(char c)
    {
        if (m_at < m_text.size() && m_text[m_at] == c) {
            ++m_at;
            return true;
        }
        return false;
    }
    bool TakeWord(const char* word)
    {
        const std::string w(word);
        if (m_text.compare(m_at, w.size(), w) != 0) return false;
        m_at += w.size();
        return true;
    }
    std::optional<std::string> String()
    {
        if (!Take('"')) return std::nullopt;
        std::string out;
        while (m_at < m_text.size() && m_text[m_at] != '"') {
            const char c = m_text[m_at++];
            if (static_cast<unsigned char>(c) < 0x20) return std::nullopt;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (m_at >= m_text.size()) return std::nullopt;
            const char e = m_text[m_at++];
            if (e == 'n') out += '\n';
            else if (e == '"' || e == '\\' || e == '/') out += e;
            else if (e == 'u' && m_at + 4 <= m_text.size()) {
                const unsigned long code = std::stoul(m_text.substr(m_at, 4), nullptr, 16);
                if (code >= 0x80) return std::nullopt;  // never escaped by the program
                out += static_cast<char>(code);
                m_at += 4;
            } else return std::nullopt;
        }
        if (!Take('"')) return std::nullopt;
        return out;
    }
    std::optional<std::string> Number()
    {
        const std::size_t from = m_at;
        Take('-');
        while (m_at < m_text.size() && (std::isdigit(static_cast<unsigned char>(m_text[m_at])) || m_text[m_at] == '.'))
            ++m_at;
        if (m_at == from) return std::nullopt;
        return m_text.substr(from, m_at - from);
    }
    std::optional<std::optional<std::string>> Value()
    {
        if (m_at < m_text.size() && m_text[m_at] == '"') {
            std::optional<std::string> text = String();
            if (!text) return std::nullopt;
            return std::optional<std::string>(*text);
        }
        if (TakeWord("null")) return std::optional<std::string>();
        if (TakeWord("true")) return std::optional<std::string>("true");
        if (TakeWord("false")) return std::optional<std::string>("false");
        if (Take('[')) {
            std::string list = "[";
            if (!Take(']')) {
                do {
                    std::optional<std::string> number = Number();
                    if (!number) return std::nullopt;
                    list += (list.size() > 1 ? "," : "") + *number;
                } while (Take(','));
                if (!Take(']')) return std::nullopt;
            }
            return std::optional<std::string>(list + "]");
        }
        std::optional<std::string> number = Number();
        if (!number) return std::nullopt;
        return std::optional<std::string>(*number);
    }

    const std::string& m_text;
    std::size_t m_at = 0;
};

inline std::optional<FlatJson> ParseFlatJson(const std::string& line) { return FlatJsonReader(line).Object(); }
