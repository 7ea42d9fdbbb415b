// The settings list of pages 3 and 8 driven as a user drives it: double
// clicks on cells, the drop-down lists opened with F4, Alt+Down or a click
// and picked from with the keys or the mouse, Enter, clicks elsewhere and
// the wizard's buttons. Nothing here calls a commit directly.
#include <gtest/gtest.h>

#include <fstream>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include "GuiHarness.h"
#include "gui/qt/pages/CMyList.h"
#include "gui/qt/pages/SettingsPages.h"

namespace {

class CMyListTest : public ::testing::Test {
protected:
    CMyList& OpenPage(const CommSettings& stored, int page = kPageReadSettings)
    {
        gui.StoreSettings(stored);
        gui.Open().SetActivePage(page);
        QApplication::processEvents();
        return *Page(page).List();
    }
    SettingsPage& Page(int page = kPageReadSettings) { return gui.PageAt<SettingsPage>(page); }

    QPoint CellCentre(CMyList& list, int row, int column)
    {
        return list.visualRect(list.model()->index(row, column)).center();
    }
    void DoubleClick(CMyList& list, int row, int column = 1)
    {
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, CellCentre(list, row, column));
        QApplication::processEvents();
    }
    void Click(CMyList& list, int row, int column = 1)
    {
        QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, CellCentre(list, row, column));
        QApplication::processEvents();
    }
    // The drop-down list of the open combo box, dropped with a key.
    QAbstractItemView* DropDown(CMyList& list, int key = Qt::Key_F4, Qt::KeyboardModifiers modifiers = {})
    {
        // The box may close itself on the way (which is the fault to catch).
        QPointer<QComboBox> combo = list.OpenCombo();
        if (!combo)
            return nullptr;
        QTest::keyClick(combo, static_cast<Qt::Key>(key), modifiers);
        QApplication::processEvents();
        return combo && list.OpenCombo() == combo && combo->view()->isVisible() ? combo->view() : nullptr;
    }
    // A click on an entry of the dropped list. The list ignores a release
    // that comes sooner than a double click after it opened.
    void ClickEntry(QAbstractItemView* view, int entry)
    {
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        const QPoint at = view->visualRect(view->model()->index(entry, 0)).center();
        QTest::mouseMove(view->viewport(), at);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QApplication::processEvents();
    }
    std::vector<std::string> Entries(QComboBox* combo)
    {
        std::vector<std::string> entries;
        for (int i = 0; i < combo->count(); ++i)
            entries.push_back(combo->itemText(i).toStdString());
        return entries;
    }
    std::vector<std::string> Values(CMyList& list)
    {
        std::vector<std::string> values;
        for (int row = 0; row < 9; ++row)
            values.push_back(list.CellText(row).toStdString());
        return values;
    }
    QColor Colour(CMyList& list, int row) { return list.topLevelItem(row)->foreground(1).color(); }
    static CommSettings Rs232()
    {
        CommSettings s = GuiHarness::SettingsForPort(1);
        s.rs_type = 0;
        s.baud_rate = 9600;
        s.address = 33;
        return s;
    }

    GuiHarness gui;
};

const QColor kBlue(0, 0, 221);
const QColor kGrey(172, 168, 153);

TEST_F(CMyListTest, ShowsTheStoredRecordInNineRowsAndEachComboOffersItsEntriesInOrder)
{
    CommSettings stored = GuiHarness::SettingsForPort(3);
    stored.parity = 2;
    stored.converter = 0;
    CMyList& list = OpenPage(stored);
    EXPECT_EQ(list.objectName(), "1005");
    ASSERT_EQ(list.topLevelItemCount(), 9);
    EXPECT_EQ(list.topLevelItem(0)->text(0).toStdString(), "Тип интерфейса связи");
    EXPECT_EQ(list.topLevelItem(8)->text(0).toStdString(), "Количество стоп-бит");
    EXPECT_EQ(list.headerItem()->text(0).toStdString(), "Параметр");
    EXPECT_EQ(list.headerItem()->text(1).toStdString(), "Значение");
    EXPECT_EQ(Values(list), (std::vector<std::string>{"RS-485", "COM3", "115200", "16", "8", "Полуавтомат.",
                                                      "8", "Чет", "1"}));
    for (int row = 0; row < 9; ++row)
        EXPECT_EQ(Colour(list, row), kBlue) << row;

    const std::vector<std::pair<int, std::vector<std::string>>> expected = {
        {0, {"RS-232", "RS-485"}},
        {2, {"2400", "4800", "9600", "14400", "19200", "28800", "38400", "57600", "115200"}},
        {4, {"8", "11"}},
        {5, {"Полуавтомат.", "Автомат."}},
        {6, {"5", "6", "7", "8"}},
        {7, {"Нет", "Чет", "Нечет"}},
        {8, {"1", "2"}},
    };
    for (const auto& [row, entries] : expected) {
        DoubleClick(list, row);
        QComboBox* combo = list.OpenCombo();
        ASSERT_TRUE(combo) << row;
        EXPECT_EQ(combo->objectName(), "1");
        EXPECT_EQ(Entries(combo), entries) << row;
        EXPECT_EQ(combo->currentText(), list.CellText(row)) << row;
        // The editor lies on the value cell and writes no larger than the
        // list.
        EXPECT_EQ(combo->geometry().top(), list.visualRect(list.model()->index(row, 1)).top());
        EXPECT_LE(QFontMetrics(combo->font()).height(), QFontMetrics(list.font()).height());
    }
    // Each double click on the next cell committed the last editor unchanged.
    Click(list, 0, 0);
    EXPECT_FALSE(list.OpenCombo());
    EXPECT_EQ(list.CellText(7).toStdString(), "Чет");
}

TEST_F(CMyListTest, DropDownListStaysOpenAndIsPickedFromWithTheKeysOrTheMouse)
{
    CMyList& list = OpenPage(GuiHarness::SettingsForPort(1));

    // F4 drops the list down; the editor stays open while its list has the
    // focus, and Down then Enter takes the next entry.
    DoubleClick(list, kRowBaudRate);
    QAbstractItemView* view = DropDown(list);
    ASSERT_TRUE(view);
    ASSERT_TRUE(list.OpenCombo());
    EXPECT_EQ(list.CellText(kRowBaudRate).toStdString(), "115200");
    QTest::keyClick(view, Qt::Key_Up);
    QTest::keyClick(view, Qt::Key_Up);
    QTest::keyClick(view, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_FALSE(list.OpenCombo());
    EXPECT_EQ(list.CellText(kRowBaudRate).toStdString(), "38400");

    // Alt+Down drops it too; a click on an entry takes it.
    DoubleClick(list, kRowDataBits);
    view = DropDown(list, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(view);
    ClickEntry(view, 1);
    EXPECT_FALSE(list.OpenCombo());
    EXPECT_EQ(list.CellText(kRowDataBits).toStdString(), "6");

    // A click on the box itself drops the list as well.
    DoubleClick(list, kRowParity);
    QPointer<QComboBox> combo = list.OpenCombo();
    ASSERT_TRUE(combo);
    QTest::mouseClick(combo, Qt::LeftButton);
    QApplication::processEvents();
    ASSERT_TRUE(combo && list.OpenCombo() == combo);
    ASSERT_TRUE(combo->view()->isVisible());
    ClickEntry(combo->view(), 2);
    EXPECT_EQ(list.CellText(kRowParity).toStdString(), "Нечет");

    Page().SaveListSettings();
    EXPECT_EQ(gui.Keys().ReadDword(kMirrexKey, "baud_rate"), 38400u);
    EXPECT_EQ(gui.Keys().ReadDword(kMirrexKey, "byte_size"), 6u);
    EXPECT_EQ(gui.Keys().ReadDword(kMirrexKey, "parity"), 1u);
}

TEST_F(CMyListTest, ComboIsLeftByEnterAClickElsewhereOrAWizardButtonAndAlwaysCommits)
{
    CMyList& list = OpenPage(GuiHarness::SettingsForPort(1));

    // Down on the closed box chooses the next entry at once.
    DoubleClick(list, kRowStopBits);
    QTest::keyClick(list.OpenCombo(), Qt::Key_Down);
    QApplication::processEvents();
    EXPECT_EQ(list.CellText(kRowStopBits).toStdString(), "2");

    // Enter on the closed box commits it and is not the sheet's Next.
    DoubleClick(list, kRowAddressSize);
    QTest::keyClick(list.OpenCombo(), Qt::Key_Return);
    EXPECT_FALSE(list.OpenCombo());
    EXPECT_EQ(list.CellText(kRowAddressSize).toStdString(), "8");
    EXPECT_EQ(gui.Sheet().ActivePage(), kPageReadSettings);
    EXPECT_TRUE(gui.prompts.shown.empty());

    // A value not among the entries opens with nothing chosen; a click on
    // another cell leaves the box and empties the cell.
    Page().List()->Logic().SetCell(kRowBaudRate, "1200");
    DoubleClick(list, kRowBaudRate);
    ASSERT_TRUE(list.OpenCombo());
    EXPECT_EQ(list.OpenCombo()->currentIndex(), -1);
    Click(list, kRowConverter, 0);
    EXPECT_FALSE(list.OpenCombo());
    EXPECT_EQ(list.CellText(kRowBaudRate).toStdString(), "");

    // A double click on another value cell closes one editor and opens the
    // next.
    DoubleClick(list, kRowConverter);
    QTest::keyClick(list.OpenCombo(), Qt::Key_Up);
    DoubleClick(list, kRowAddress);
    EXPECT_FALSE(list.OpenCombo());
    ASSERT_TRUE(list.OpenEdit());
    EXPECT_EQ(list.CellText(kRowConverter).toStdString(), "Полуавтомат.");
    QTest::keyClick(list.OpenEdit(), Qt::Key_Escape);  // "Выход", answered No
    EXPECT_EQ(gui.prompts.Texts(), std::vector<std::string>{"Выйти из программы? "});

    // "В начало" with the editor open: its text is in what the page stores.
    QTest::keyClicks(list.OpenEdit(), "42");
    gui.prompts.answers = {MsgAnswer::Yes};
    ASSERT_TRUE(gui.Press(kCmdWizFinish));
    EXPECT_EQ(gui.Sheet().ActivePage(), kPageStart);
    EXPECT_EQ(gui.Keys().ReadDword(kMirrexKey, "address"), 42u);
    EXPECT_EQ(gui.Keys().ReadDword(kMirrexKey, "baud_rate"), 0u);
    EXPECT_EQ(gui.Keys().ReadDword(kMirrexKey, "converter"), 0u);
    EXPECT_EQ(gui.Keys().ReadDword(kMirrexKey, "stop_bits"), 2u);
}

TEST_F(CMyListTest, Rs232LocksRowsTwoToEightAndChoosingItFixesAndGreysThemAtOnce)
{
    CMyList& list = OpenPage(Rs232());
    // The stored values stay, in grey, and open nothing.
    EXPECT_EQ(list.CellText(kRowBaudRate).toStdString(), "9600");
    EXPECT_EQ(Colour(list, kRowBaudRate), kGrey);
    EXPECT_EQ(Colour(list, kRowPort), kBlue);
    for (int row = 2; row < 9; ++row) {
        DoubleClick(list, row);
        EXPECT_FALSE(list.OpenCombo() || list.OpenEdit()) << row;
    }
    DoubleClick(list, kRowInterface, 0);
    EXPECT_FALSE(list.OpenCombo());

    // Taking the port row's entry writes the fixed values.
    DoubleClick(list, kRowPort);
    ASSERT_TRUE(list.OpenCombo());
    QTest::keyClick(list.OpenCombo(), Qt::Key_Return);
    std::vector<std::string> values = Values(list);
    values.erase(values.begin(), values.begin() + 2);
    EXPECT_EQ(values, (std::vector<std::string>{"115200", "16", "8", "Автомат.", "8", "Нет", "1"}));

    // RS-485 from the mouse: rows editable and blue again, texts kept.
    DoubleClick(list, kRowInterface);
    QAbstractItemView* view = DropDown(list);
    ASSERT_TRUE(view);
    ClickEntry(view, 1);
    EXPECT_EQ(list.CellText(kRowInterface).toStdString(), "RS-485");
    EXPECT_EQ(Colour(list, kRowConverter), kBlue);
    EXPECT_EQ(list.CellText(kRowAddress).toStdString(), "16");
    DoubleClick(list, kRowAddress);
    EXPECT_TRUE(list.OpenEdit());
    QTest::keyClicks(list.OpenEdit(), "77");

    // RS-232 chosen again with the keys on an RS-485 list: the address
    // typed a moment ago is replaced by the fixed one, and the rows grey.
    DoubleClick(list, kRowInterface);
    EXPECT_EQ(list.CellText(kRowAddress).toStdString(), "77");
    view = DropDown(list);
    ASSERT_TRUE(view);
    QTest::keyClick(view, Qt::Key_Up);
    QTest::keyClick(view, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(list.CellText(kRowAddress).toStdString(), "16");
    for (int row = 2; row < 9; ++row)
        EXPECT_EQ(Colour(list, row), kGrey) << row;
}

TEST_F(CMyListTest, AddressEditTakesAnyTextAndItsArrowKeysStayInIt)
{
    // A port that no machine has, for the Next that Enter gives at the end.
    CMyList& list = OpenPage(GuiHarness::SettingsForPort(250));
    DoubleClick(list, kRowAddress);
    QLineEdit* edit = list.OpenEdit();
    ASSERT_TRUE(edit);
    EXPECT_EQ(edit->objectName(), "2");
    EXPECT_EQ(edit->selectedText().toStdString(), "16");
    EXPECT_LE(QFontMetrics(edit->font()).height(), QFontMetrics(list.font()).height());
    const QRect cell = list.visualRect(list.model()->index(kRowAddress, 1));
    EXPECT_EQ(edit->geometry(), cell.adjusted(0, 0, 0, 3));
    const int row = list.currentIndex().row();

    // Up and Down neither move the list's row nor close the editor.
    QTest::keyClick(edit, Qt::Key_Down);
    QTest::keyClick(edit, Qt::Key_Down);
    QTest::keyClick(edit, Qt::Key_Up);
    QTest::keyClick(edit, Qt::Key_PageDown);
    QApplication::processEvents();
    EXPECT_EQ(list.OpenEdit(), edit);
    EXPECT_EQ(list.currentIndex().row(), row);

    // Typing replaces the selected text; letters are taken as typed.
    edit->selectAll();
    QTest::keyClicks(edit, "7x0000");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_FALSE(list.OpenEdit());
    EXPECT_EQ(list.CellText(kRowAddress).toStdString(), "7x0000");
    EXPECT_EQ(gui.Sheet().ActivePage(), kPageReadSettings);

    // A click on a wizard button takes the focus and commits.
    DoubleClick(list, kRowAddress);
    QTest::keyClicks(list.OpenEdit(), "70000");
    QTest::mouseClick(gui.Sheet().Button(kCmdWizBack), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_FALSE(list.OpenEdit());
    EXPECT_EQ(gui.Sheet().ActivePage(), kPageConnect);
    gui.Sheet().SetActivePage(kPageReadSettings);
    EXPECT_EQ(list.CellText(kRowAddress).toStdString(), "70000");
    Page().SaveListSettings();
    EXPECT_EQ(gui.Keys().ReadDword(kMirrexKey, "address"), 4464u);

    // Enter with no editor open is the sheet's: Next tries the port.
    list.setFocus();
    QTest::keyClick(&list, Qt::Key_Return);
    ASSERT_EQ(gui.prompts.shown.size(), 1u) << testing::PrintToString(gui.prompts.Texts());
    EXPECT_EQ(gui.prompts.shown[0].text.rfind("Не удалось открыть COM-порт. ", 0), 0u);
}

TEST_F(CMyListTest, PortListIsReadWhenItOpensWithTheDevicesAsTooltips)
{
    const std::filesystem::path first = gui.Folder() / "adapter-a";
    const std::filesystem::path second = gui.Folder() / "adapter-b";
    std::ofstream(first) << "";
    std::ofstream(second) << "";
    ASSERT_EQ(gui.Ports().RegisterAlias(first.string(), 41), 41u);
    CMyList& list = OpenPage(GuiHarness::SettingsForPort(41));

    DoubleClick(list, kRowPort);
    QComboBox* combo = list.OpenCombo();
    ASSERT_TRUE(combo);
    EXPECT_EQ(combo->findText("COM410"), -1);
    const int a = combo->findText("COM41");
    ASSERT_GE(a, 0);
    EXPECT_EQ(combo->currentIndex(), a);
    EXPECT_EQ(combo->itemData(a, Qt::ToolTipRole).toString().toStdString(), first.string());

    // An adapter plugged in while the box is open is there when its list
    // drops down, the chosen port still chosen.
    ASSERT_EQ(gui.Ports().RegisterAlias(second.string(), 410), 410u);
    QAbstractItemView* view = DropDown(list);
    ASSERT_TRUE(view);
    const int b = combo->findText("COM410");
    ASSERT_GE(b, 0);
    EXPECT_EQ(combo->currentText().toStdString(), "COM41");
    EXPECT_EQ(combo->itemData(b, Qt::ToolTipRole).toString().toStdString(), second.string());
    ClickEntry(view, b);
    EXPECT_EQ(list.CellText(kRowPort).toStdString(), "COM410");

    // Every port gone: an empty list, and leaving it empties the cell.
    gui.Ports().RemoveAlias(41);
    gui.Ports().RemoveAlias(410);
    DoubleClick(list, kRowPort);
    ASSERT_TRUE(list.OpenCombo());
    DropDown(list);
    EXPECT_EQ(list.OpenCombo()->count(), 0);
    QTest::keyClick(list.OpenCombo()->view(), Qt::Key_Escape);
    QTest::keyClick(list.OpenCombo(), Qt::Key_Return);
    EXPECT_EQ(list.CellText(kRowPort).toStdString(), "");
}

TEST_F(CMyListTest, LeavingTheProgramStoresBothListsWithAnEditorStillOpen)
{
    CMyList& page3 = OpenPage(GuiHarness::SettingsForPort(1));
    DoubleClick(page3, kRowBaudRate);
    QTest::keyClick(page3.OpenCombo(), Qt::Key_Up);  // 57600
    gui.Sheet().SetActivePage(kPageWriteSettings);
    CMyList& page8 = *Page(kPageWriteSettings).List();
    DoubleClick(page8, kRowAddress);
    QTest::keyClicks(page8.OpenEdit(), "99");

    // The window's close request, answered Yes: page 3 stores first, then
    // page 8 with the address typed into its open editor.
    gui.prompts.answers = {MsgAnswer::Yes};
    gui.Sheet().close();
    EXPECT_FALSE(gui.Sheet().isVisible());
    EXPECT_EQ(gui.Keys().ReadDword(kMirrexKey, "address"), 99u);
    EXPECT_EQ(gui.Keys().ReadDword(kMirrexKey, "baud_rate"), 115200u);
}

}  // namespace
