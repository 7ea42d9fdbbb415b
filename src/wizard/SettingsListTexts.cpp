#include "wizard/SettingsListTexts.h"

#include <climits>
#include <cstdint>

#include "resources/PageTexts.h"

namespace {

std::string ParityText(uint32_t parity)
{
    switch (parity) {
    case 0: return texts::kParityNone;
    case 1: return texts::kParityOdd;
    case 2: return texts::kParityEven;
    default: return "";
    }
}

uint32_t ParityCode(const std::string& text)
{
    if (text == texts::kParityNone)
        return 0;
    if (text == texts::kParityEven)
        return 2;
    return 1;
}

}  // namespace

int ParseDecimal(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX)
            return negative ? INT_MIN : INT_MAX;
    }
    return static_cast<int>(negative ? -value : value);
}

SettingsListValues SettingsToListValues(const CommSettings& s)
{
    SettingsListValues v;
    v[kRowInterface] = s.rs_type == 0 ? texts::kRs232 : texts::kRs485;
    v[kRowPort] = "COM" + std::to_string(static_cast<int>(s.com));
    v[kRowBaudRate] = std::to_string(static_cast<int>(s.baud_rate));
    v[kRowAddress] = std::to_string(s.address);
    v[kRowAddressSize] = std::to_string(static_cast<int8_t>(s.adress_len));
    v[kRowConverter] = s.converter != 0 ? texts::kConverterAuto : texts::kConverterSemi;
    v[kRowDataBits] = std::to_string(s.byte_size);
    v[kRowParity] = ParityText(s.parity);
    v[kRowStopBits] = s.stop_bits == 0 ? "1" : "2";
    return v;
}

CommSettings ListValuesToSettings(const SettingsListValues& v)
{
    CommSettings s;
    s.rs_type = v[kRowInterface] == texts::kRs232 ? 0 : 1;
    const std::string& port = v[kRowPort];
    s.com = static_cast<uint32_t>(ParseDecimal(port.size() > 3 ? port.substr(3) : std::string()));
    s.baud_rate = static_cast<uint32_t>(ParseDecimal(v[kRowBaudRate]));
    s.address = static_cast<uint16_t>(ParseDecimal(v[kRowAddress]));
    s.adress_len = static_cast<uint8_t>(ParseDecimal(v[kRowAddressSize]));
    s.converter = v[kRowConverter] == texts::kConverterAuto ? 1 : 0;
    s.byte_size = static_cast<uint8_t>(ParseDecimal(v[kRowDataBits]));
    s.parity = ParityCode(v[kRowParity]);
    s.stop_bits = v[kRowStopBits] == "1" ? 0 : 2;
    return s;
}

const SettingsListValues& Rs232FixedValues()
{
    static const SettingsListValues values = {
        "", "", "115200", "16", "8", texts::kConverterAuto, "8", texts::kParityNone, "1",
    };
    return values;
}
