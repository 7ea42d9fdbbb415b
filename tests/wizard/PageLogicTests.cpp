#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <cstdint>
#include <fstream>

#include "FlowFakes.h"
#include "platform/ProgramPath.h"
#include "wizard/ChoicePageLogic.h"
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

    EXPECT_EQ(ReadStoredPath(keys, kSavePathValue), DefaultConfigPath());
    EXPECT_EQ(keys.ReadString(kMirrexKey, kSavePathValue), DefaultConfigPath());
    EXPECT_EQ(ReadClockOption(keys), 0u);
    EXPECT_EQ(keys.ReadDword(kMirrexKey, kClockOptionValue), 0u);
    EXPECT_EQ(ReadVerifyOption(keys), 1u);
    EXPECT_EQ(keys.ReadDword(kMirrexKey, kVerifyOptionValue), 1u);
}

TEST(StoredChoices, DefaultPathIsTheDrivesRootOnWindowsAndTheDocumentsElsewhereButAStoredOneStays)
{
#ifdef _WIN32
    EXPECT_EQ(DefaultConfigPath(), "C:\\1st_project.klx41");
#else
    EXPECT_EQ(DefaultConfigPath(), UserDocumentsDir() + "/1st_project.klx41");
#endif
    MemoryKeyStore keys;
    keys.CreateKey(kMirrexKey);
    StorePath(keys, kSavePathValue, "C:\\1st_project.klx41");
    EXPECT_EQ(ReadStoredPath(keys, kSavePathValue), "C:\\1st_project.klx41");
}

TEST(StoredChoices, WithoutAKeyPathsAndClockDefaultButNothingIsWritten)
{
    MemoryKeyStore keys;
    EXPECT_EQ(ReadStoredPath(keys, kReplicatePathValue), DefaultConfigPath());
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

// Answers the file dialogs from a script (cancel when it has run out) and
// records what each was opened with.
class ScriptedDialogs : public FileDialogs {
public:
    std::optional<std::string> ChooseSaveFile(const std::string& initial) override { return Next(initial); }
    std::optional<std::string> ChooseOpenFile(const std::string& initial) override { return Next(initial); }

    std::deque<std::optional<std::string>> answers;
    std::vector<std::string> initials;

private:
    std::optional<std::string> Next(const std::string& initial)
    {
        initials.push_back(initial);
        if (answers.empty())
            return std::nullopt;
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

// A folder of the test's own for files the pages look at.
class ScratchFolder {
public:
    ScratchFolder()
        : m_path(std::filesystem::temp_directory_path() /
                 ("mirrex-pages-" + std::to_string(reinterpret_cast<std::uintptr_t>(this))))
    {
        std::filesystem::create_directories(m_path);
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::permissions(m_path / "locked.klx41", std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(m_path, ignored);
    }
    std::string File(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

TEST(StartPage, StoredActionSelectsItsButtonAndLeavingStoresTheSelection)
{
    MemoryKeyStore keys;
    StartPageLogic page(keys);
    EXPECT_EQ(page.OnInitDialog(), kRadioSaveToFile);
    page.OnCancel(kRadioReplicateFromDevice);
    EXPECT_EQ(page.OnInitDialog(), kRadioReplicateFromDevice);
    page.OnCancel(kRadioReplicateFromFile);
    EXPECT_EQ(keys.ReadDword(kMirrexKey, kStartChoiceValue), 2u);
    // No button selected (the hidden one was, and the user chose nothing).
    page.OnCancel(0);
    EXPECT_EQ(keys.ReadDword(kMirrexKey, kStartChoiceValue), 1u);
}

TEST(SaveFilePage, OnlyAWritableFileChosenWithBrowseIsStored)
{
    MemoryKeyStore keys;
    keys.CreateKey(kMirrexKey);
    ScriptedPrompts prompts;
    ScriptedDialogs dialogs;
    ScratchFolder folder;
    SaveFilePageLogic page(keys, prompts, dialogs);
    std::string shown = page.OnInitDialog();
    EXPECT_EQ(shown, DefaultConfigPath());

    // Cancelled: nothing changes.
    EXPECT_EQ(page.OnBrowse("typed.klx41"), "typed.klx41");
    EXPECT_EQ(dialogs.initials.back(), "typed.klx41");
    EXPECT_EQ(keys.ReadString(kMirrexKey, kSavePathValue), DefaultConfigPath());

    const std::string chosen = folder.File("new.klx41");
    dialogs.answers = {chosen};
    shown = page.OnBrowse(shown);
    EXPECT_EQ(shown, chosen);
    EXPECT_EQ(keys.ReadString(kMirrexKey, kSavePathValue), chosen);

    // A read-only file is refused with the message, the path and the store
    // unchanged; a folder or a missing file is not read-only.
    const std::string locked = folder.File("locked.klx41");
    std::ofstream(locked) << "x";
    std::filesystem::permissions(locked, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    dialogs.answers = {locked};
    EXPECT_EQ(page.OnBrowse(shown), chosen);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, locked +
                                         "\nфайл имеет атрибут 'только чтение'.\nДля сохранения файла необходимо "
                                         "изменить атрибут или выбрать другое имя. ");
    EXPECT_EQ(prompts.shown[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(keys.ReadString(kMirrexKey, kSavePathValue), chosen);
}

TEST(ReplicateFilePage, BrowseFillsAnEmptyBoxAndTheOptionsAreStoredAtEveryClick)
{
    MemoryKeyStore keys;
    keys.CreateKey(kMirrexKey);
    ScriptedDialogs dialogs;
    ReplicateFilePageLogic page(keys, dialogs);
    const ReplicateFilePageLogic::Initial initial = page.OnInitDialog();
    EXPECT_EQ(initial.path, DefaultConfigPath());
    EXPECT_FALSE(initial.setClock);
    EXPECT_TRUE(initial.verify);

    // The default is put into an empty box even when the dialog is cancelled.
    EXPECT_EQ(page.OnBrowse(""), DefaultConfigPath());
    EXPECT_EQ(dialogs.initials.back(), DefaultConfigPath());
    dialogs.answers = {"/data/line 3.klx41"};
    EXPECT_EQ(page.OnBrowse("old.klx41"), "/data/line 3.klx41");
    EXPECT_EQ(dialogs.initials.back(), "old.klx41");
    EXPECT_EQ(keys.ReadString(kMirrexKey, kReplicatePathValue), "/data/line 3.klx41");

    page.OnTimeSyncClicked(true);
    page.OnVerifyClicked(false);
    EXPECT_EQ(keys.ReadDword(kMirrexKey, kClockOptionValue), 1u);
    EXPECT_EQ(keys.ReadDword(kMirrexKey, kVerifyOptionValue), 0u);
    const ReplicateFilePageLogic::Initial again = page.OnInitDialog();
    EXPECT_TRUE(again.setClock);
    EXPECT_FALSE(again.verify);
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
