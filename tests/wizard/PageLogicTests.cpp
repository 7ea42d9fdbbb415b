#include <gtest/gtest.h>

#include "FlowFakes.h"
#include "wizard/SettingsListTexts.h"
#include "wizard/StoredChoices.h"

namespace {

// The first-run settings: COM1, 115200, address 16 of 8 bits, automatic
// converter, no parity, one stop bit, 8 data bits, RS-485.
CommSettings FirstRunSettings()
{
    CommSettings s;
    s.com = 1;
    s.address = 16;
    s.adress_len = 8;
    s.converter = 1;
    s.baud_rate = 115200;
    s.byte_size = 8;
    s.rs_type = 1;
    return s;
}

TEST(StoredChoices, FirstRunCreatesTheKeyAndTheDefaults)
{
    MemoryKeyStore keys;
    EXPECT_EQ(ReadStartChoice(keys), 1u);
    EXPECT_EQ(keys.ReadDword(kMirrexKey, kStartChoiceValue), 1u);

    EXPECT_EQ(ReadStoredPath(keys, kSavePathValue), "C:\\1st_project.klx41");
    EXPECT_EQ(keys.ReadString(kMirrexKey, kSavePathValue), "C:\\1st_project.klx41");
    EXPECT_EQ(ReadClockOption(keys), 0u);
    EXPECT_EQ(keys.ReadDword(kMirrexKey, kClockOptionValue), 0u);
    EXPECT_EQ(ReadVerifyOption(keys), 1u);
    EXPECT_EQ(keys.ReadDword(kMirrexKey, kVerifyOptionValue), 1u);
}

TEST(StoredChoices, WithoutAKeyPathsAndClockDefaultButNothingIsWritten)
{
    MemoryKeyStore keys;
    EXPECT_EQ(ReadStoredPath(keys, kReplicatePathValue), "C:\\1st_project.klx41");
    EXPECT_EQ(ReadClockOption(keys), 0u);
    EXPECT_EQ(ReadVerifyOption(keys), 1u);
    EXPECT_FALSE(keys.KeyExists(kMirrexKey));

    // Storing never creates the key.
    StorePath(keys, kReplicatePathValue, "/tmp/x.klx41");
    StoreClockOption(keys, true);
    StoreVerifyOption(keys, false);
    StoreStartChoice(keys, 2);
    EXPECT_FALSE(keys.KeyExists(kMirrexKey));
}

TEST(StoredChoices, StoredValuesAreKeptAndOddChoicesMeanSave)
{
    MemoryKeyStore keys;
    keys.CreateKey(kMirrexKey);
    StoreStartChoice(keys, 3);
    StorePath(keys, kSavePathValue, std::string(259, 'a'));
    StoreClockOption(keys, true);
    StoreVerifyOption(keys, false);

    EXPECT_EQ(StartRadioForChoice(ReadStartChoice(keys)), 1002);
    EXPECT_EQ(StartRadioForChoice(2), 1001);
    EXPECT_EQ(StartRadioForChoice(7), 1000);
    EXPECT_EQ(StartRadioForChoice(0), 1000);
    EXPECT_EQ(ReadStoredPath(keys, kSavePathValue), std::string(259, 'a'));
    EXPECT_EQ(ReadClockOption(keys), 1u);
    EXPECT_EQ(ReadVerifyOption(keys), 0u);
}

TEST(SettingsListTexts, DefaultsShowAndReadBackUnchanged)
{
    const CommSettings defaults = FirstRunSettings();
    const SettingsListValues shown = SettingsToListValues(defaults);
    EXPECT_EQ(shown, (SettingsListValues{"RS-485", "COM1", "115200", "16", "8", "Автомат.", "8",
                                          "Нет", "1"}));
    EXPECT_EQ(ListValuesToSettings(shown), defaults);
}

TEST(SettingsListTexts, OddStoredValuesFollowTheirFallbacks)
{
    CommSettings odd = FirstRunSettings();
    odd.parity = 3;
    odd.stop_bits = 1;
    odd.rs_type = 2;
    odd.adress_len = 200;
    SettingsListValues shown = SettingsToListValues(odd);
    EXPECT_EQ(shown[kRowParity], "");
    EXPECT_EQ(shown[kRowStopBits], "2");
    EXPECT_EQ(shown[kRowInterface], "RS-485");
    EXPECT_EQ(shown[kRowAddressSize], "-56");

    const CommSettings stored = ListValuesToSettings(shown);
    EXPECT_EQ(stored.parity, 1u);
    EXPECT_EQ(stored.stop_bits, 2u);
    EXPECT_EQ(stored.rs_type, 1);
    EXPECT_EQ(stored.adress_len, 200);
}

TEST(SettingsListTexts, OddCellTextsConvertWithoutComplaint)
{
    SettingsListValues cells = SettingsToListValues(FirstRunSettings());
    cells[kRowAddress] = "abc";
    cells[kRowPort] = "COM12";
    cells[kRowParity] = "Чет";
    EXPECT_EQ(ListValuesToSettings(cells).address, 0);
    EXPECT_EQ(ListValuesToSettings(cells).com, 12u);
    EXPECT_EQ(ListValuesToSettings(cells).parity, 2u);

    cells[kRowAddress] = "70000";
    cells[kRowPort] = "";
    cells[kRowConverter] = "автомат.";
    cells[kRowBaudRate] = "99999999999999999999";
    const CommSettings s = ListValuesToSettings(cells);
    EXPECT_EQ(s.address, 4464);
    EXPECT_EQ(s.com, 0u);
    EXPECT_EQ(s.converter, 0);
    EXPECT_EQ(s.baud_rate, 2147483647u);

    EXPECT_EQ(ParseDecimal("  -12x4"), -12);
    EXPECT_EQ(ParseDecimal("+7"), 7);
    EXPECT_EQ(ParseDecimal("x7"), 0);
}

}  // namespace
