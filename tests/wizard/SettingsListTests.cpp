// The settings list's logic without widgets: which editor each cell opens
// in which mode, what the drop-down lists offer and select, what a commit
// changes, and that an editor is committed exactly once whichever way it is
// left.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "FlowFakes.h"
#include "platform/PortMap.h"
#include "settings/SettingsStore.h"
#include "wizard/SettingsList.h"

namespace {

// Records what the list asks of its window; the open editor's text is
// whatever the test types into it.
class RecordingView : public SettingsListView {
public:
    void ShowCellText(int row, const std::string& text) override { shown[row] = text; }
    void ShowRowColours() override { ++recolours; }
    void OpenCombo(int row, const std::vector<ComboEntry>& list, int selected) override
    {
        opened.push_back("combo " + std::to_string(row));
        entries = list;
        editorText = selected >= 0 ? list[selected].text : "";
        selectedEntry = selected;
    }
    void OpenEdit(int row, const std::string& text) override
    {
        opened.push_back("edit " + std::to_string(row));
        editorText = text;
    }
    void ReplaceComboEntries(const std::vector<ComboEntry>& list, int selected) override
    {
        entries = list;
        selectedEntry = selected;
    }
    std::string EditorText() const override { return editorText; }
    void CloseEditor() override
    {
        ++closes;
        // Closing takes the focus from the editor, which reports it.
        if (onClose)
            onClose();
    }

    SettingsListValues shown;
    int recolours = 0;
    int closes = 0;
    std::vector<std::string> opened;
    std::vector<ComboEntry> entries;
    int selectedEntry = -2;
    std::string editorText;
    std::function<void()> onClose;
};

std::vector<std::string> Texts(const std::vector<ComboEntry>& entries)
{
    std::vector<std::string> texts;
    for (const ComboEntry& entry : entries)
        texts.push_back(entry.text);
    return texts;
}

CommSettings Rs485()
{
    CommSettings s = DefaultCommSettings();
    s.rs_type = 1;
    s.baud_rate = 9600;
    s.address = 33;
    return s;
}

class SettingsListTest : public ::testing::Test {
protected:
    SettingsListTest()
    {
        list.SetPortSource([this] { return ports; });
    }

    RecordingView view;
    SettingsList list{view};
    std::vector<ComboEntry> ports{{"COM1", "/dev/ttyS0"}, {"COM10", "/dev/ttyUSB0"}};
};

TEST_F(SettingsListTest, EachCellOpensItsEditorUnlessTheNameColumnOrRs232LocksIt)
{
    list.Fill(Rs485());
    EXPECT_EQ(view.shown, SettingsToListValues(Rs485()));
    for (int row = 0; row < kSettingsRows; ++row) {
        EXPECT_EQ(list.EditorFor(row, 1), row == kRowAddress ? CellEditor::Edit : CellEditor::Combo) << row;
        EXPECT_EQ(list.EditorFor(row, 0), CellEditor::None) << row;
        EXPECT_EQ(list.RowColourOf(row), kListBlue) << row;
    }
    EXPECT_EQ(list.EditorFor(-1, 1), CellEditor::None);
    EXPECT_EQ(list.EditorFor(9, 1), CellEditor::None);

    CommSettings rs232 = Rs485();
    rs232.rs_type = 0;
    list.Fill(rs232);
    // The stored values stay, locked and grey.
    EXPECT_EQ(list.Cell(kRowBaudRate), "9600");
    for (int row = 0; row < kSettingsRows; ++row) {
        EXPECT_EQ(list.RowLocked(row), row > kRowPort) << row;
        EXPECT_EQ(list.RowColourOf(row), row > kRowPort ? kListGrey : kListBlue) << row;
        list.OnItemActivate(row, 1);
        list.CommitOpenEditor();
    }
    EXPECT_EQ(view.opened, (std::vector<std::string>{"combo 0", "combo 1"}));
}

TEST_F(SettingsListTest, CombosOfferTheirEntriesInOrderAndSelectTheExactCellText)
{
    list.Fill(Rs485());
    const std::vector<std::vector<std::string>> expected = {
        {"RS-232", "RS-485"},
        {"COM1", "COM10"},
        {"2400", "4800", "9600", "14400", "19200", "28800", "38400", "57600", "115200"},
        {},
        {"8", "11"},
        {"Полуавтомат.", "Автомат."},
        {"5", "6", "7", "8"},
        {"Нет", "Чет", "Нечет"},
        {"1", "2"},
    };
    for (int row = 0; row < kSettingsRows; ++row)
        EXPECT_EQ(Texts(list.EntriesOf(row)), expected[row]) << row;

    // COM1 is not taken for COM10 or the other way round.
    list.SetCell(kRowPort, "COM1");
    list.OnItemActivate(kRowPort, 1);
    EXPECT_EQ(view.selectedEntry, 0);
    EXPECT_EQ(view.entries[1].tooltip, "/dev/ttyUSB0");
    list.CommitCombo();
    list.SetCell(kRowPort, "COM10");
    list.OnItemActivate(kRowPort, 1);
    EXPECT_EQ(view.selectedEntry, 1);
    list.CommitCombo();

    // A value not among the entries opens with nothing chosen; leaving
    // without a choice empties the cell.
    list.SetCell(kRowBaudRate, "1200");
    list.OnItemActivate(kRowBaudRate, 1);
    EXPECT_EQ(view.selectedEntry, -1);
    list.CommitCombo();
    EXPECT_EQ(list.Cell(kRowBaudRate), "");
    EXPECT_EQ(list.Read().baud_rate, 0u);
}

TEST_F(SettingsListTest, ChoosingRs232FixesRowsTwoToEightAndRs485KeepsThemEditable)
{
    list.Fill(Rs485());
    const int recoloursBefore = view.recolours;
    list.OnItemActivate(kRowInterface, 1);
    view.editorText = "RS-232";
    list.CommitCombo();
    EXPECT_EQ(list.Mode(), 0);
    EXPECT_EQ(view.recolours, recoloursBefore + 1);
    const SettingsListValues cells = list.Cells();
    EXPECT_EQ(std::vector<std::string>(cells.begin() + 2, cells.end()),
              (std::vector<std::string>{"115200", "16", "8", "Автомат.", "8", "Нет", "1"}));
    EXPECT_EQ(view.shown, cells);
    EXPECT_EQ(list.RowColourOf(kRowParity), kListGrey);

    // Committing the port row in RS-232 writes the fixed values again, and
    // needs no recolouring.
    list.SetCell(kRowAddress, "99");
    list.OnItemActivate(kRowPort, 1);
    list.CommitCombo();
    EXPECT_EQ(list.Cell(kRowAddress), "16");
    EXPECT_EQ(view.recolours, recoloursBefore + 1);

    list.OnItemActivate(kRowInterface, 1);
    view.editorText = "RS-485";
    list.CommitCombo();
    EXPECT_EQ(list.Mode(), 1);
    EXPECT_EQ(list.Cell(kRowAddress), "16");
    EXPECT_EQ(list.RowColourOf(kRowParity), kListBlue);
    EXPECT_EQ(list.Read().rs_type, 1);
}

TEST_F(SettingsListTest, EveryWayOutCommitsOnceAndEnterIsOnlyTheEditorsWhileOneIsOpen)
{
    list.Fill(Rs485());
    EXPECT_FALSE(list.OnEnter());

    // The focus loss that closing the editor causes commits nothing twice.
    view.onClose = [this] { list.CommitOpenEditor(); };
    list.OnItemActivate(kRowAddress, 1);
    EXPECT_EQ(list.OpenEditor(), CellEditor::Edit);
    EXPECT_EQ(view.editorText, "33");
    view.editorText = "7x0000";
    EXPECT_TRUE(list.OnEnter());
    EXPECT_EQ(list.OpenEditor(), CellEditor::None);
    EXPECT_EQ(view.closes, 1);
    EXPECT_EQ(list.Cell(kRowAddress), "7x0000");
    EXPECT_FALSE(list.OnEnter());

    // A double click on another cell while an editor is open commits it into
    // its own cell first.
    list.OnItemActivate(kRowAddress, 1);
    view.editorText = "70000";
    list.OnItemActivate(kRowBaudRate, 1);
    EXPECT_EQ(list.Cell(kRowAddress), "70000");
    EXPECT_EQ(list.OpenEditor(), CellEditor::Combo);
    EXPECT_EQ(list.EditedRow(), kRowBaudRate);
    view.editorText = "57600";
    list.OnItemActivate(kRowAddress, 0);  // the name column: closes, opens nothing
    EXPECT_EQ(list.Cell(kRowBaudRate), "57600");
    EXPECT_EQ(list.OpenEditor(), CellEditor::None);

    // A late commit notice of a combo box that has gone changes nothing.
    list.CommitCombo();
    list.CommitEdit();
    EXPECT_EQ(list.Cell(kRowBaudRate), "57600");
    EXPECT_EQ(list.Read().address, 4464);
}

TEST_F(SettingsListTest, PortListRefreshedWhileOpenKeepsTheChosenPort)
{
    list.Fill(Rs485());
    list.SetCell(kRowPort, "COM10");
    list.OnItemActivate(kRowPort, 1);
    ports = {{"COM3", "/dev/ttyACM0"}, {"COM10", "/dev/ttyUSB0"}, {"COM11", "/dev/ttyUSB1"}};
    list.OnDropDown();
    EXPECT_EQ(Texts(view.entries), (std::vector<std::string>{"COM3", "COM10", "COM11"}));
    EXPECT_EQ(view.selectedEntry, 1);

    // The chosen port went away: nothing is selected, the cell empties.
    ports.clear();
    list.OnDropDown();
    EXPECT_TRUE(view.entries.empty());
    EXPECT_EQ(view.selectedEntry, -1);
    view.editorText = "";
    list.CommitCombo();
    EXPECT_EQ(list.Cell(kRowPort), "");
    EXPECT_EQ(list.Read().com, 0u);

    // Other rows' lists are fixed.
    list.OnItemActivate(kRowStopBits, 1);
    view.entries.clear();
    list.OnDropDown();
    EXPECT_TRUE(view.entries.empty());
}

// A settings store over keys in memory, with no port present and nothing
// of the machine's looked at.
class SettingsPageLogicTest : public ::testing::Test {
protected:
    SettingsPageLogicTest()
    {
        keys.CreateKey(kMirrexKey);
        store.SetRecord(Rs485());
        store.Save();
    }
    // The user picks a value in a combo cell of the list.
    static void Pick(SettingsList& list, RecordingView& view, int row, const std::string& text)
    {
        list.OnItemActivate(row, 1);
        view.editorText = text;
        list.CommitCombo();
    }

    MemoryKeyStore keys;
    const std::string nowhere = (std::filesystem::temp_directory_path() / "mirrex-no-such-folder").string();
    PortMap ports{PortMapRoots{nowhere, nowhere, nowhere, nowhere}};
    SettingsStore store{keys, ports};
};

TEST_F(SettingsPageLogicTest, StoresTheCellsAndAnEditorStillOpen)
{
    RecordingView view;
    SettingsList list(view);
    SettingsPageLogic page(store, list);
    page.OnInitDialog();
    EXPECT_EQ(page.m_settings, Rs485());
    EXPECT_EQ(list.Cell(kRowBaudRate), "9600");

    list.OnItemActivate(kRowBaudRate, 1);
    view.editorText = "19200";
    page.SaveListSettings();
    EXPECT_EQ(list.OpenEditor(), CellEditor::None);
    EXPECT_EQ(page.m_settings.baud_rate, 19200u);
    EXPECT_EQ(store.GetRecord().baud_rate, 19200u);
    EXPECT_EQ(keys.ReadDword(kMirrexKey, "baud_rate"), 19200u);
}

TEST_F(SettingsPageLogicTest, APageComingBackKeepsItsEditsUnlessTheOtherPageStoredMeanwhile)
{
    RecordingView view3, view8;
    SettingsList list3(view3), list8(view8);
    SettingsPageLogic page3(store, list3), page8(store, list8);
    page3.OnInitDialog();
    page3.OnSetActive();
    page8.OnInitDialog();
    page8.OnSetActive();

    // Page 8 edited and left without storing; page 3 shown and left
    // without storing: each keeps its own edits.
    Pick(list8, view8, kRowParity, "Чет");
    page3.OnSetActive();
    Pick(list3, view3, kRowStopBits, "2");
    page8.OnSetActive();
    EXPECT_EQ(list8.Cell(kRowParity), "Чет");
    page3.OnSetActive();
    EXPECT_EQ(list3.Cell(kRowStopBits), "2");

    // Page 3 stores 19200; page 8 shown again lists what is stored now, and
    // its Back stores that, not its old list.
    Pick(list3, view3, kRowBaudRate, "19200");
    page3.SaveListSettings();
    page8.OnSetActive();
    EXPECT_EQ(list8.Cell(kRowBaudRate), "19200");
    EXPECT_EQ(view8.shown[kRowBaudRate], "19200");
    EXPECT_EQ(list8.Cell(kRowParity), "Нет");
    EXPECT_EQ(page8.m_settings, store.GetRecord());
    page8.SaveListSettings();
    EXPECT_EQ(keys.ReadDword(kMirrexKey, "baud_rate"), 19200u);

    // Page 3 comes back after page 8 stored the same values: nothing
    // changed, its list is kept as it is.
    page3.OnSetActive();
    EXPECT_EQ(list3.Cell(kRowStopBits), "2");
}

TEST_F(SettingsPageLogicTest, LeavingTheProgramStoresNoUntouchedListOlderThanTheStore)
{
    RecordingView view3, view8;
    SettingsList list3(view3), list8(view8);
    SettingsPageLogic page3(store, list3), page8(store, list8);
    page8.OnInitDialog();
    page3.OnInitDialog();
    Pick(list3, view3, kRowInterface, "RS-232");
    page3.SaveListSettings();

    // Both pages are reset as the program ends, in either order.
    page3.OnCancel();
    page8.OnCancel();
    EXPECT_EQ(keys.ReadDword(kMirrexKey, "rs_type"), 0u);
    EXPECT_EQ(keys.ReadDword(kMirrexKey, "baud_rate"), 115200u);

    // A list that is up to date stores its edits on the way out.
    Pick(list3, view3, kRowPort, "COM7");
    page8.OnCancel();
    page3.OnCancel();
    EXPECT_EQ(keys.ReadDword(kMirrexKey, "com"), 7u);

    // So does an older one that was edited on this pass, even when the
    // other page stored just before it: the later store wins.
    Pick(list8, view8, kRowParity, "Нечет");
    Pick(list3, view3, kRowPort, "COM9");
    page3.OnCancel();
    page8.OnCancel();
    EXPECT_EQ(keys.ReadDword(kMirrexKey, "parity"), 1u);
    EXPECT_EQ(keys.ReadDword(kMirrexKey, "rs_type"), 1u);
}

TEST_F(SettingsPageLogicTest, SettingsReloadedBeforeAWriteRefillTheOtherPage)
{
    RecordingView view3, view8;
    SettingsList list3(view3), list8(view8);
    SettingsPageLogic page3(store, list3), page8(store, list8);
    page3.OnInitDialog();
    page8.OnInitDialog();
    Pick(list3, view3, kRowBaudRate, "4800");

    // Another program (or the engineer, by hand) changed the stored
    // settings; the write reloads them before it opens the port.
    keys.WriteDword(kMirrexKey, "baud_rate", 57600);
    page8.OnSetActive();
    EXPECT_EQ(list8.Cell(kRowBaudRate), "9600");
    store.Load();
    page8.OnSetActive();
    EXPECT_EQ(list8.Cell(kRowBaudRate), "57600");
    page3.OnSetActive();
    EXPECT_EQ(list3.Cell(kRowBaudRate), "57600");
}

}  // namespace
