// Pages 3 and 8 between them, driven with the mouse and the keys: a page
// shown again keeps the list it was left with, unless the other page (or a
// write) stored settings meanwhile; then it shows what is stored, and
// neither its Back nor leaving the program puts its old list back.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include "GuiHarness.h"
#include "configfile/ConfigHeader.h"
#include "gui/qt/pages/CMyList.h"
#include "gui/qt/pages/SettingsPages.h"
#include "platform/ProgramPath.h"

namespace {

namespace fs = std::filesystem;

// No machine has this port: every Next that opens it only says so.
constexpr uint32_t kAbsentPort = 251;

class SettingsPagesTest : public ::testing::Test {
protected:
    SettingsPagesTest()
    {
        CommSettings stored = GuiHarness::SettingsForPort(kAbsentPort);
        stored.rs_type = 1;
        stored.baud_rate = 115200;
        gui.StoreSettings(stored);
        // Any file that passes the check will do: the port never opens.
        file = gui.Folder() / "master.klx41";
        WriteValidFile(file);
        gui.Open();
    }
    static void WriteValidFile(const fs::path& path)
    {
        std::vector<uint8_t> image = ImageWithSizes({100, 60, 40, 20});
        ConfigHeader header{};
        std::memcpy(&header, image.data() + image.size() - sizeof header, sizeof header);
        SetHeaderDeviceName(header, u"KLX41");
        std::memcpy(image.data() + image.size() - sizeof header, &header, sizeof header);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    }

    CMyList& List(int page) { return *gui.PageAt<SettingsPage>(page).List(); }
    std::string Cell(int page, int row) { return List(page).CellText(row).toStdString(); }

    // A double click on the value cell, F4, Up (steps < 0) or Down as many
    // times as the steps say, Enter.
    void PickWithKeys(int page, int row, int steps)
    {
        CMyList& list = List(page);
        const QPoint at = list.visualRect(list.model()->index(row, 1)).center();
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QApplication::processEvents();
        QComboBox* combo = list.OpenCombo();
        ASSERT_TRUE(combo);
        QTest::keyClick(combo, Qt::Key_F4);
        QApplication::processEvents();
        ASSERT_TRUE(combo->view()->isVisible());
        for (int i = 0; i < std::abs(steps); ++i)
            QTest::keyClick(combo->view(), steps < 0 ? Qt::Key_Up : Qt::Key_Down);
        QTest::keyClick(combo->view(), Qt::Key_Return);
        QApplication::processEvents();
        ASSERT_FALSE(list.OpenCombo());
    }
    void Choose(int radio)
    {
        QTest::mouseClick(gui.Sheet().Page(kPageStart)->findChild<QRadioButton*>(QString::number(radio)),
                          Qt::LeftButton);
    }
    // "В начало", Yes.
    void BackToStart()
    {
        gui.prompts.answers = {MsgAnswer::Yes};
        ASSERT_TRUE(gui.Press(kCmdWizFinish));
        ASSERT_EQ(gui.Sheet().ActivePage(), kPageStart);
    }
    void ToReadSettings()
    {
        Choose(kRadioSaveToFile);
        ASSERT_TRUE(gui.Press(kCmdWizNext));
        ASSERT_TRUE(gui.Press(kCmdWizNext));
        ASSERT_EQ(gui.Sheet().ActivePage(), kPageReadSettings);
    }
    // Page 7's Next: the port does not open, so the write leads to page 8.
    void FailedWrite()
    {
        Choose(kRadioReplicateFromFile);
        ASSERT_TRUE(gui.Press(kCmdWizNext));
        gui.Sheet().Page(kPageReplicateFile)->findChild<QLineEdit*>("1006")->setText(
            QString::fromStdString(file.string()));
        ASSERT_TRUE(gui.Press(kCmdWizNext));
        ASSERT_EQ(gui.Sheet().ActivePage(), kPageWrite) << ::testing::PrintToString(gui.prompts.Texts());
        ASSERT_TRUE(gui.Press(kCmdWizNext));
        ASSERT_EQ(gui.Sheet().ActivePage(), kPageWriteSettings) << ::testing::PrintToString(gui.prompts.Texts());
    }
    uint32_t Stored(const char* name) { return gui.Keys().ReadDword(kMirrexKey, name).value_or(9999); }

    GuiHarness gui;
    fs::path file;
};

TEST_F(SettingsPagesTest, PageEightShowsAndStoresTheRateThatPageThreeStored)
{
    // Page 8 seen once, with 115200.
    FailedWrite();
    EXPECT_EQ(Cell(kPageWriteSettings, kRowBaudRate), "115200");
    BackToStart();

    // 19200 chosen on page 3 and stored by its Next.
    ToReadSettings();
    PickWithKeys(kPageReadSettings, kRowBaudRate, -4);
    ASSERT_EQ(Cell(kPageReadSettings, kRowBaudRate), "19200");
    ASSERT_TRUE(gui.Press(kCmdWizNext));
    EXPECT_EQ(Stored("baud_rate"), 19200u);
    BackToStart();

    // The write uses 19200, page 8 lists it, and its Back keeps it stored.
    FailedWrite();
    EXPECT_EQ(gui.Link().settings.baud_rate, 19200u);
    EXPECT_EQ(Cell(kPageWriteSettings, kRowBaudRate), "19200");
    ASSERT_TRUE(gui.Press(kCmdWizBack));
    EXPECT_EQ(gui.Sheet().ActivePage(), kPageWrite);
    EXPECT_EQ(Stored("baud_rate"), 19200u);

    // RS-232 stored on page 3; leaving the program from there keeps it,
    // whatever page 8's list held.
    BackToStart();
    ToReadSettings();
    PickWithKeys(kPageReadSettings, kRowInterface, -1);
    ASSERT_EQ(Cell(kPageReadSettings, kRowInterface), "RS-232");
    ASSERT_TRUE(gui.Press(kCmdWizNext));
    EXPECT_EQ(Cell(kPageWriteSettings, kRowInterface), "RS-485");
    gui.prompts.answers = {MsgAnswer::Yes};
    QTest::keyClick(&gui.Sheet(), Qt::Key_Escape);
    EXPECT_FALSE(gui.Sheet().isVisible());
    EXPECT_EQ(Stored("rs_type"), 0u);
    EXPECT_EQ(Stored("baud_rate"), 115200u);  // the fixed RS-232 rate
}

TEST_F(SettingsPagesTest, APageShownAgainKeepsItsEditsEvenAfterTheSettingsFileWasDamaged)
{
    // Page 3 edited and left by Back, then shown again: the edit is there.
    ToReadSettings();
    PickWithKeys(kPageReadSettings, kRowParity, 1);
    ASSERT_EQ(Cell(kPageReadSettings, kRowParity), "Чет");
    ASSERT_TRUE(gui.Press(kCmdWizBack));
    ASSERT_TRUE(gui.Press(kCmdWizNext));
    EXPECT_EQ(Cell(kPageReadSettings, kRowParity), "Чет");

    // The same after the stored settings were damaged by hand meanwhile:
    // the page keeps what it shows, and its Next uses just that.
    ASSERT_TRUE(gui.Press(kCmdWizBack));
    std::ofstream(UserConfigDir() + "/Tolvar/Mirrex", std::ios::trunc) << "\x01garbage\n";
    ASSERT_TRUE(gui.Press(kCmdWizNext));
    EXPECT_EQ(Cell(kPageReadSettings, kRowParity), "Чет");
    EXPECT_EQ(Cell(kPageReadSettings, kRowBaudRate), "115200");
    ASSERT_TRUE(gui.Press(kCmdWizNext));
    EXPECT_EQ(gui.Link().settings.parity, 2u);
    EXPECT_EQ(gui.Sheet().ActivePage(), kPageReadSettings);
}

}  // namespace
