// The settings list of pages 3 and 8: filling, the RS-232 lock, the
// in-place editors and their commits, the row colours and storing.
#include <gtest/gtest.h>

#include <fstream>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "GuiHarness.h"
#include "gui/qt/pages/CMyList.h"
#include "gui/qt/pages/SettingsPages.h"

namespace {

class SettingsListTest : public ::testing::Test {
protected:
    CMyList& OpenPage3(const CommSettings& stored)
    {
        gui.StoreSettings(stored);
        gui.Open().SetActivePage(kPageReadSettings);
        return *Page().List();
    }
    SettingsPage& Page() { return gui.PageAt<SettingsPage>(kPageReadSettings); }
    void DoubleClick(CMyList& list, int row, int column)
    {
        const QRect rect = list.visualRect(list.model()->index(row, column));
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    }
    std::vector<std::string> Values(CMyList& list)
    {
        std::vector<std::string> values;
        for (int row = 0; row < 9; ++row)
            values.push_back(list.CellText(row).toStdString());
        return values;
    }
    std::vector<QColor> Colours(CMyList& list)
    {
        std::vector<QColor> colours;
        for (int row = 0; row < 9; ++row)
            colours.push_back(list.topLevelItem(row)->foreground(1).color());
        return colours;
    }
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

TEST_F(SettingsListTest, ShowsTheStoredRecordInNineRows)
{
    CommSettings stored = GuiHarness::SettingsForPort(3);
    stored.parity = 2;
    stored.converter = 0;
    CMyList& list = OpenPage3(stored);
    EXPECT_EQ(list.objectName(), "1005");
    ASSERT_EQ(list.topLevelItemCount(), 9);
    EXPECT_EQ(list.topLevelItem(0)->text(0).toStdString(), "Тип интерфейса связи");
    EXPECT_EQ(list.topLevelItem(8)->text(0).toStdString(), "Количество стоп-бит");
    EXPECT_EQ(Values(list), (std::vector<std::string>{"RS-485", "COM3", "115200", "16", "8", "Полуавтомат.",
                                                      "8", "Чет", "1"}));
    EXPECT_EQ(list.headerItem()->text(0).toStdString(), "Параметр");
    EXPECT_EQ(list.headerItem()->text(1).toStdString(), "Значение");
    EXPECT_EQ(list.Logic().Mode(), 1);
    for (const QColor& colour : Colours(list))
        EXPECT_EQ(colour, QColor(0, 0, 221));
}

TEST_F(SettingsListTest, Rs232LocksRowsTwoToEightAndChoosingItWritesTheFixedValues)
{
    CMyList& list = OpenPage3(Rs232());
    EXPECT_EQ(list.Logic().Mode(), 0);
    // The stored values stay, in grey.
    EXPECT_EQ(list.CellText(2).toStdString(), "9600");
    EXPECT_EQ(Colours(list)[2], QColor(172, 168, 153));
    EXPECT_EQ(Colours(list)[1], QColor(0, 0, 221));
    for (int row = 2; row < 9; ++row) {
        DoubleClick(list, row, 1);
        EXPECT_FALSE(list.OpenCombo() || list.OpenEdit()) << row;
    }
    // The name column opens nothing either.
    DoubleClick(list, 0, 0);
    EXPECT_FALSE(list.OpenCombo());

    // Committing the port row writes the fixed values.
    DoubleClick(list, 1, 1);
    ASSERT_TRUE(list.OpenCombo());
    list.Logic().CommitCombo();
    std::vector<std::string> values = Values(list);
    values.erase(values.begin(), values.begin() + 2);
    EXPECT_EQ(values, (std::vector<std::string>{"115200", "16", "8", "Автомат.", "8", "Нет", "1"}));

    // RS-485: rows editable and blue again, their texts kept.
    DoubleClick(list, 0, 1);
    QComboBox* combo = list.OpenCombo();
    ASSERT_TRUE(combo);
    EXPECT_EQ(combo->objectName(), "1");
    EXPECT_EQ(combo->currentText().toStdString(), "RS-232");
    combo->setCurrentIndex(1);
    emit combo->activated(1);
    EXPECT_FALSE(list.OpenCombo());
    EXPECT_EQ(list.Logic().Mode(), 1);
    EXPECT_EQ(Colours(list)[5], QColor(0, 0, 221));
    EXPECT_EQ(list.CellText(3).toStdString(), "16");
    DoubleClick(list, 3, 1);
    EXPECT_TRUE(list.OpenEdit());
}

TEST_F(SettingsListTest, EditorsCommitOnEnterAndOnFocusLossWhateverTheText)
{
    CMyList& list = OpenPage3(GuiHarness::SettingsForPort(1));
    DoubleClick(list, 3, 1);
    QLineEdit* edit = list.OpenEdit();
    ASSERT_TRUE(edit);
    EXPECT_EQ(edit->objectName(), "2");
    EXPECT_EQ(edit->selectedText().toStdString(), "16");
    QTest::keyClicks(edit, "7x0000");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_FALSE(list.OpenEdit());
    EXPECT_EQ(list.CellText(3).toStdString(), "7x0000");
    // Enter was the editor's, not the sheet's Next.
    EXPECT_EQ(gui.Sheet().ActivePage(), kPageReadSettings);

    DoubleClick(list, 3, 1);
    QTest::keyClicks(list.OpenEdit(), "70000");
    gui.Sheet().Button(kCmdCancel)->setFocus();
    QApplication::processEvents();
    EXPECT_FALSE(list.OpenEdit());
    EXPECT_EQ(list.CellText(3).toStdString(), "70000");

    // A value not among the entries opens with nothing chosen; leaving
    // empties the cell.
    list.Logic().SetCell(2, "1200");
    DoubleClick(list, 2, 1);
    ASSERT_TRUE(list.OpenCombo());
    EXPECT_EQ(list.OpenCombo()->currentIndex(), -1);
    QTest::keyClick(list.OpenCombo(), Qt::Key_Return);
    EXPECT_EQ(list.CellText(2).toStdString(), "");

    Page().SaveListSettings();
    EXPECT_EQ(gui.Keys().ReadDword(kMirrexKey, "address"), 4464u);
    EXPECT_EQ(gui.Keys().ReadDword(kMirrexKey, "baud_rate"), 0u);
    EXPECT_EQ(Page().Settings().address, 4464);
}

TEST_F(SettingsListTest, PortRowOffersThePortNamesWithTheirDevicesAsTooltips)
{
    const std::filesystem::path first = gui.Folder() / "adapter-a";
    const std::filesystem::path second = gui.Folder() / "adapter-b";
    std::ofstream(first) << "";
    std::ofstream(second) << "";
    ASSERT_EQ(gui.Ports().RegisterAlias(first.string(), 41), 41u);
    ASSERT_EQ(gui.Ports().RegisterAlias(second.string(), 410), 410u);
    CMyList& list = OpenPage3(GuiHarness::SettingsForPort(41));

    DoubleClick(list, 1, 1);
    QComboBox* combo = list.OpenCombo();
    ASSERT_TRUE(combo);
    const int a = combo->findText("COM41");
    const int b = combo->findText("COM410");
    ASSERT_GE(a, 0);
    ASSERT_GE(b, 0);
    EXPECT_EQ(combo->currentIndex(), a);
    EXPECT_EQ(combo->itemData(a, Qt::ToolTipRole).toString().toStdString(), first.string());
    EXPECT_EQ(combo->itemData(b, Qt::ToolTipRole).toString().toStdString(), second.string());
    combo->setCurrentIndex(b);
    emit combo->activated(b);
    Page().SaveListSettings();
    EXPECT_EQ(gui.Keys().ReadDword(kMirrexKey, "com"), 410u);
}

}  // namespace
