// Port names and look-ups by name, the same on every platform: "COM3" or
// "\\.\COM3" for port 3.

#include <cctype>
#include <charconv>

#include "platform/PortMap.h"

std::optional<uint32_t> PortMap::NumberOfName(const std::string& name)
{
    std::string_view text(name);
    if (text.substr(0, 4) == "\\\\.\\")
        text.remove_prefix(4);
    if (text.size() < 4)
        return std::nullopt;
    for (size_t i = 0; i < 3; ++i) {
        if (std::toupper(static_cast<unsigned char>(text[i])) != "COM"[i])
            return std::nullopt;
    }
    const std::string_view digits = text.substr(3);
    uint32_t number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc() || end != digits.data() + digits.size() || number == 0)
        return std::nullopt;
    return number;
}

std::string PortMap::NameOfNumber(uint32_t number)
{
    return "COM" + std::to_string(number);
}

std::optional<std::string> PortMap::Resolve(uint32_t number)
{
    for (auto& entry : List()) {
        if (entry.number == number)
            return std::move(entry.devicePath);
    }
    return std::nullopt;
}

std::optional<std::string> PortMap::Resolve(const std::string& name)
{
    const auto number = NumberOfName(name);
    return number ? Resolve(*number) : std::nullopt;
}
