#pragma once
// The texts of the settings list's value column and their conversion to and
// from the settings record. No input is refused: every text converts.

#include <array>
#include <string>

#include "settings/CommSettings.h"

constexpr int kSettingsRows = 9;
using SettingsListValues = std::array<std::string, kSettingsRows>;

enum SettingsRow : int {
    kRowInterface = 0,
    kRowPort = 1,
    kRowBaudRate = 2,
    kRowAddress = 3,
    kRowAddressSize = 4,
    kRowConverter = 5,
    kRowDataBits = 6,
    kRowParity = 7,
    kRowStopBits = 8,
};

SettingsListValues SettingsToListValues(const CommSettings& settings);
CommSettings ListValuesToSettings(const SettingsListValues& values);

// The values that RS-232 fixes in rows 2 to 8 (index 0 and 1 unused).
const SettingsListValues& Rs232FixedValues();

// Leading blanks, an optional sign, then digits up to the first other
// character; 0 when there are none. Saturates instead of overflowing.
int ParseDecimal(const std::string& text);
