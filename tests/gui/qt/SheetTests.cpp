// The sheet and its pages without a device: start-up, buttons, the sheet's
// questions, stored choices and the file pages.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <thread>
#include <fstream>

#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QTranslator>

#include "FrameHints.h"
#include "GuiHarness.h"
#include "gui/qt/CMirrexApp.h"
#include "gui/qt/pages/FileChooser.h"
#include "gui/qt/pages/CMyList.h"
#include "gui/qt/pages/CWizard97PropertyPage1.h"
#include "gui/qt/pages/FilePages.h"
#include "gui/qt/pages/SettingsPages.h"
#include "wizard/StoredChoices.h"

namespace {

template <class Control>
Control* Find(QWidget* page, int id)
{
    return page->findChild<Control*>(QString::number(id));
}

struct ButtonState {
    bool back, next, finish;
    friend bool operator==(const ButtonState&, const ButtonState&) = default;
};

ButtonState Buttons(CWizard97PropertySheet& sheet)
{
    return {sheet.Button(kCmdWizBack)->isEnabled(), sheet.Button(kCmdWizNext)->isEnabled(),
            sheet.Button(kCmdWizFinish)->isEnabled()};
}

TEST(Sheet, OpensOnTheStartPageWithItsCaptionsAndEveryPageItsButtons)
{
    GuiHarness gui;
    CWizard97PropertySheet& sheet = gui.Open();
    EXPECT_EQ(sheet.ActivePage(), kPageStart);
    EXPECT_EQ(sheet.windowTitle().toStdString(), "Программа тиражирования КЛХ41/51, РГХ206К/207К");
    EXPECT_EQ(sheet.Button(kCmdWizBack)->text().toStdString(), "< Назад");
    EXPECT_EQ(sheet.Button(kCmdWizNext)->text().toStdString(), "Далее >");
    EXPECT_EQ(sheet.Button(kCmdWizFinish)->text().toStdString(), "В начало");
    EXPECT_EQ(sheet.Button(kCmdCancel)->text().toStdString(), "Выход");
    EXPECT_FALSE(sheet.Button(kCmdHelp)->isVisible());
    EXPECT_FALSE(sheet.windowFlags() & Qt::WindowCloseButtonHint);

    // Enable sets 2, 6, 7, 7, 5, 6, 7, 5.
    const ButtonState expected[8] = {{false, true, false}, {false, true, true}, {true, true, true},
                                     {true, true, true},   {true, false, true}, {false, true, true},
                                     {true, true, true},   {true, false, true}};
    for (int page = 0; page < 8; ++page) {
        sheet.SetActivePage(page);
        EXPECT_EQ(Buttons(sheet), expected[page]) << "page " << page + 1;
        EXPECT_TRUE(sheet.Page(page)->isVisible());
    }
    EXPECT_EQ(gui.prompts.shown.size(), 0u);
}

// No minimise or maximise that does nothing, and no close box: the window
// manager is asked for functions as well as decorations. X11 only.
TEST(Sheet, AsksForATitleAndBorderOnly)
{
    GuiHarness gui;
    CWizard97PropertySheet& sheet = gui.Open();
    const std::optional<MotifFrameHints> hints = FrameHintsOf(sheet);
    if (!hints)
        GTEST_SKIP() << "no X11 display";
    EXPECT_TRUE(*hints == kDialogFrameHints) << hints->flags << " " << hints->functions << " " << hints->decorations;
}

TEST(Sheet, FirstRunStoresTheDefaultsAndStartChoiceThreeSelectsTheHiddenButton)
{
    {
        GuiHarness gui;
        CWizard97PropertySheet& sheet = gui.Open();
        auto* save = Find<QRadioButton>(sheet.Page(kPageStart), 1000);
        EXPECT_TRUE(save->isChecked());
        EXPECT_EQ(gui.Keys().ReadDword(kMirrexKey, kStartChoiceValue), 1u);
        sheet.SetActivePage(kPageReplicateFile);
        EXPECT_EQ(Find<QLineEdit>(sheet.Page(kPageReplicateFile), 1006)->text().toStdString(),
                  DefaultConfigPath());
        EXPECT_EQ(gui.Keys().ReadDword(kMirrexKey, kClockOptionValue), 0u);
    }
    GuiHarness gui;
    gui.Keys().CreateKey(kMirrexKey);
    StoreStartChoice(gui.Keys(), 3);
    CWizard97PropertySheet& sheet = gui.Open();
    auto* hidden = Find<QRadioButton>(sheet.Page(kPageStart), 1002);
    EXPECT_TRUE(hidden->isChecked());
    EXPECT_FALSE(hidden->isVisible());
    EXPECT_FALSE(Find<QRadioButton>(sheet.Page(kPageStart), 1000)->isChecked());
    ASSERT_TRUE(gui.Press(kCmdWizNext));
    EXPECT_EQ(sheet.ActivePage(), kPageStart);
    EXPECT_EQ(gui.prompts.Texts(), std::vector<std::string>{"Replicate From Device "});

    // A visible choice then leads on.
    QTest::mouseClick(Find<QRadioButton>(sheet.Page(kPageStart), 1001), Qt::LeftButton);
    ASSERT_TRUE(gui.Press(kCmdWizNext));
    EXPECT_EQ(sheet.ActivePage(), kPageReplicateFile);
}

namespace {

// What the screen shows of a widget, read back from the X server.
QImage OnScreen(QWidget& widget)
{
    const QPoint origin = widget.mapToGlobal(QPoint(0, 0));
    return widget.screen()->grabWindow(0, origin.x(), origin.y(), widget.width(), widget.height()).toImage();
}

// Pixels of two pictures of one size that a person could tell apart: a
// channel differs by more than 2 of 255.
int VisiblyDifferentPixels(const QImage& a, const QImage& b)
{
    int different = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
            if (std::abs(p.red() - q.red()) > 2 || std::abs(p.green() - q.green()) > 2
                || std::abs(p.blue() - q.blue()) > 2)
                ++different;
        }
    return different;
}

}  // namespace

// The start page shown again after another page (here after "В начало")
// covers all of what that page drew: the screen shows it as at first.
// X11 only.
TEST(Sheet, StartPageShownAgainLooksOnTheScreenAsAtFirst)
{
    GuiHarness gui;
    gui.StoreSettings(GuiHarness::SettingsForPort(1));
    CWizard97PropertySheet& sheet = gui.Open();
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "no X11 display";
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
    QTest::qWait(300);
    QWidget& start = *sheet.Page(kPageStart);
    const QImage first = OnScreen(start);
    ASSERT_TRUE(gui.Press(kCmdWizNext));
    ASSERT_TRUE(gui.Press(kCmdWizNext));
    ASSERT_EQ(sheet.ActivePage(), kPageReadSettings);
    QTest::qWait(300);
    gui.prompts.answers = {MsgAnswer::Yes};
    ASSERT_TRUE(gui.Press(kCmdWizFinish));
    ASSERT_EQ(sheet.ActivePage(), kPageStart);
    QTest::qWait(300);
    const QImage again = OnScreen(start);
    ASSERT_EQ(first.size(), again.size());
    const int different = VisiblyDifferentPixels(first, again);
    std::cout << "[ measured ] start page shown again: " << different << " of " << first.width() * first.height()
              << " pixels differ\n";
    EXPECT_LT(different, first.width() * first.height() / 1000);
}

TEST(Sheet, ReturnToStartAsksAndStoresTheSettingsListOnlyOnYes)
{
    GuiHarness gui;
    gui.StoreSettings(GuiHarness::SettingsForPort(1));
    CWizard97PropertySheet& sheet = gui.Open();
    ASSERT_TRUE(gui.Press(kCmdWizNext));
    ASSERT_TRUE(gui.Press(kCmdWizNext));
    ASSERT_EQ(sheet.ActivePage(), kPageReadSettings);
    auto& page3 = gui.PageAt<SettingsPage>(kPageReadSettings);
    page3.List()->Logic().SetCell(2, "9600");

    gui.prompts.answers = {MsgAnswer::No};
    ASSERT_TRUE(gui.Press(kCmdWizFinish));
    EXPECT_EQ(sheet.ActivePage(), kPageReadSettings);
    EXPECT_TRUE(sheet.isVisible());
    EXPECT_EQ(gui.Keys().ReadDword(kMirrexKey, "baud_rate"), 115200u);
    EXPECT_EQ(gui.prompts.shown.back().text, "Вернуться к начальному окну программы? ");

    gui.prompts.answers = {MsgAnswer::Yes};
    ASSERT_TRUE(gui.Press(kCmdWizFinish));
    EXPECT_EQ(sheet.ActivePage(), kPageStart);
    EXPECT_TRUE(sheet.isVisible());
    EXPECT_EQ(gui.Keys().ReadDword(kMirrexKey, "baud_rate"), 9600u);

    // Page 8 stores its list too; a message page stores nothing.
    sheet.SetActivePage(kPageWriteSettings);
    gui.PageAt<SettingsPage>(kPageWriteSettings).List()->Logic().SetCell(2, "19200");
    gui.prompts.answers = {MsgAnswer::Yes};
    ASSERT_TRUE(gui.Press(kCmdWizFinish));
    EXPECT_EQ(gui.Keys().ReadDword(kMirrexKey, "baud_rate"), 19200u);
    sheet.SetActivePage(kPageWrite);
    gui.PageAt<SettingsPage>(kPageWriteSettings).List()->Logic().SetCell(2, "2400");
    gui.prompts.answers = {MsgAnswer::Yes};
    ASSERT_TRUE(gui.Press(kCmdWizFinish));
    EXPECT_EQ(gui.Keys().ReadDword(kMirrexKey, "baud_rate"), 19200u);
}

TEST(Sheet, LeavingAsksAndYesStoresThePagesAndCloses)
{
    GuiHarness gui;
    CWizard97PropertySheet& sheet = gui.Open();
    QTest::mouseClick(Find<QRadioButton>(sheet.Page(kPageStart), 1001), Qt::LeftButton);

    gui.prompts.answers = {MsgAnswer::No};
    ASSERT_TRUE(gui.Press(kCmdCancel));
    EXPECT_TRUE(sheet.isVisible());
    EXPECT_EQ(gui.prompts.shown.back().text, "Выйти из программы? ");
    EXPECT_EQ(gui.prompts.shown.back().caption, MsgCaption::Sheet);

    // The window's close request asks the same.
    gui.prompts.answers = {MsgAnswer::No};
    EXPECT_FALSE(sheet.close());
    EXPECT_TRUE(sheet.isVisible());
    EXPECT_EQ(gui.prompts.shown.size(), 2u);

    gui.prompts.answers = {MsgAnswer::Yes};
    ASSERT_TRUE(gui.Press(kCmdCancel));
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_EQ(gui.Keys().ReadDword(kMirrexKey, kStartChoiceValue), 2u);
}

TEST(Sheet, EscapeIsLeaveAndEnterIsNext)
{
    GuiHarness gui;
    CWizard97PropertySheet& sheet = gui.Open();
    gui.prompts.answers = {MsgAnswer::No};
    QTest::keyClick(&sheet, Qt::Key_Escape);
    EXPECT_EQ(gui.prompts.Texts(), std::vector<std::string>{"Выйти из программы? "});
    QTest::keyClick(&sheet, Qt::Key_Return);
    EXPECT_EQ(sheet.ActivePage(), kPageConnect);
}

TEST(FilePages, SaveFileChosenWithBrowseIsStoredButAReadOnlyOneIsRefused)
{
    GuiHarness gui;
    CWizard97PropertySheet& sheet = gui.Open();
    sheet.SetActivePage(kPageSaveFile);
    auto* edit = Find<QLineEdit>(sheet.Page(kPageSaveFile), 1003);
    auto* browse = Find<QPushButton>(sheet.Page(kPageSaveFile), 1004);
    EXPECT_EQ(edit->text().toStdString(), DefaultConfigPath());

    const std::string chosen = (gui.Folder() / "new.klx41").string();
    gui.files.answers = {chosen};
    QTest::mouseClick(browse, Qt::LeftButton);
    EXPECT_EQ(gui.files.initials.back(), DefaultConfigPath());
    EXPECT_EQ(edit->text().toStdString(), chosen);
    EXPECT_EQ(gui.Keys().ReadString(kMirrexKey, kSavePathValue), chosen);

    const std::filesystem::path locked = gui.Folder() / "locked.klx41";
    std::ofstream(locked) << "x";
    std::filesystem::permissions(locked, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    gui.files.answers = {locked.string()};
    QTest::mouseClick(browse, Qt::LeftButton);
    ASSERT_EQ(gui.prompts.shown.size(), 1u);
    EXPECT_EQ(gui.prompts.shown[0].text,
              locked.string() +
                  "\nфайл имеет атрибут 'только чтение'.\nДля сохранения файла необходимо изменить атрибут "
                  "или выбрать другое имя. ");
    EXPECT_EQ(gui.prompts.shown[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(edit->text().toStdString(), chosen);
    EXPECT_EQ(gui.Keys().ReadString(kMirrexKey, kSavePathValue), chosen);

    // Cancelled: nothing changes. Typed by hand: used, not stored.
    QTest::mouseClick(browse, Qt::LeftButton);
    edit->setText("typed.klx41");
    EXPECT_EQ(gui.Keys().ReadString(kMirrexKey, kSavePathValue), chosen);
}

TEST(FilePages, ReplicatePageBrowseDefaultsAnEmptyBoxAndTheCheckBoxStoresAtOnce)
{
    GuiHarness gui;
    CWizard97PropertySheet& sheet = gui.Open();
    sheet.SetActivePage(kPageReplicateFile);
    auto* edit = Find<QLineEdit>(sheet.Page(kPageReplicateFile), 1006);
    edit->clear();
    QTest::mouseClick(Find<QPushButton>(sheet.Page(kPageReplicateFile), 1007), Qt::LeftButton);
    EXPECT_EQ(edit->text().toStdString(), DefaultConfigPath());
    EXPECT_EQ(gui.files.initials.back(), DefaultConfigPath());

    auto* check = Find<QCheckBox>(sheet.Page(kPageReplicateFile), 1008);
    EXPECT_FALSE(check->isChecked());
    QTest::mouseClick(check, Qt::LeftButton);
    EXPECT_EQ(gui.Keys().ReadDword(kMirrexKey, kClockOptionValue), 1u);
    QTest::mouseClick(check, Qt::LeftButton);
    EXPECT_EQ(gui.Keys().ReadDword(kMirrexKey, kClockOptionValue), 0u);

    // The verification box, on from the first run, sits under the clock box.
    auto* verify = Find<QCheckBox>(sheet.Page(kPageReplicateFile), 1012);
    ASSERT_TRUE(verify);
    EXPECT_EQ(verify->text().toStdString(), "Проверять записанную конфигурацию");
    EXPECT_TRUE(verify->isChecked());
    EXPECT_GT(verify->geometry().top(), check->geometry().bottom());
    QTest::mouseClick(verify, Qt::LeftButton);
    EXPECT_EQ(gui.Keys().ReadDword(kMirrexKey, kVerifyOptionValue), 0u);
    EXPECT_EQ(gui.Keys().ReadDword(kMirrexKey, kClockOptionValue), 0u);
}

// What the open file dialog shows: the texts of its filter list and of its
// buttons; the dialog is then cancelled.
struct ShownFileDialog {
    std::vector<std::string> filters;
    std::vector<std::string> buttons;
    std::optional<std::string> chosen;
};

ShownFileDialog ShowSaveDialog(const std::string& initial)
{
    ShownFileDialog shown;
    QTimer watcher;
    watcher.setInterval(20);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        watcher.stop();
        if (auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
            for (int i = 0; i < types->count(); ++i)
                shown.filters.push_back(types->itemText(i).toStdString());
        for (QPushButton* button : dialog->findChildren<QPushButton*>())
            if (button->isVisible())
                shown.buttons.push_back(button->text().toStdString());
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    watcher.start();
    QtFileChooser chooser;
    shown.chosen = chooser.ChooseSaveFile(initial);
    return shown;
}

// A configuration file given to the program, as a double click gives it:
// page 6 with the file chosen once it passes the check, and remembered.
TEST(FilePages, AFileGivenAtStartOpensPageSixWithIt)
{
    GuiHarness gui;
    const std::string file = (gui.Folder() / "Линия 3 (копия).klx41").string();
    const std::vector<uint8_t> image = ImageWithSizes({300, 100, 60, 30});
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(image.data()),
                                                static_cast<std::streamsize>(image.size()));
    CWizard97PropertySheet& sheet = gui.Open({file});
    EXPECT_EQ(gui.prompts.shown.size(), 0u) << ::testing::PrintToString(gui.prompts.Texts());
    EXPECT_EQ(sheet.ActivePage(), kPageReplicateFile);
    EXPECT_TRUE(sheet.Page(kPageReplicateFile)->isVisible());
    EXPECT_FALSE(sheet.Page(kPageStart)->isVisible());
    EXPECT_EQ(Find<QLineEdit>(sheet.Page(kPageReplicateFile), 1006)->text().toStdString(), file);
    EXPECT_EQ(Buttons(sheet), (ButtonState{false, true, true}));
    EXPECT_EQ(sheet.Button(kCmdCancel)->text().toStdString(), "Выход");
    EXPECT_EQ(gui.Keys().ReadString(kMirrexKey, kReplicatePathValue), file);
    // "В начало" leads to the start page as from anywhere else.
    gui.prompts.answers = {MsgAnswer::Yes};
    EXPECT_TRUE(gui.Press(kCmdWizFinish));
    EXPECT_EQ(sheet.ActivePage(), kPageStart);
}

// What cannot be a configuration file gets the check's message, and page 6
// offers an empty field, not the file nor the path stored before.
TEST(FilePages, AFileGivenAtStartThatFailsTheCheckLeavesTheFieldEmpty)
{
    TempUserFolders place;
    const std::filesystem::path fifo = place.Root() / "канал.klx41";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::filesystem::path text = place.Root() / "notes.klx41";
    std::ofstream(text) << "not a configuration";
    const std::vector<std::vector<std::string>> given = {
        {(place.Root() / "нет такого файла.klx41").string()},
        {place.Root().string()},
        {fifo.string()},
        {text.string()},
        {text.string(), text.string()},
    };
    for (const std::vector<std::string>& arguments : given) {
        GuiHarness gui;
        gui.Keys().CreateKey(kMirrexKey);
        gui.Keys().WriteString(kMirrexKey, kReplicatePathValue, "/stored/before.klx41");
        CWizard97PropertySheet& sheet = gui.Open(arguments);
        ASSERT_EQ(gui.prompts.shown.size(), 1u) << arguments[0];
        const std::string message = gui.prompts.shown[0].text;
        EXPECT_NE(message.find(arguments[0]), std::string::npos) << message;
        if (arguments.size() > 1) {
            EXPECT_EQ(message.rfind("Программа открывает один файл конфигурации", 0), 0u) << message;
        }
        EXPECT_EQ(sheet.ActivePage(), kPageReplicateFile) << arguments[0];
        EXPECT_EQ(Find<QLineEdit>(sheet.Page(kPageReplicateFile), 1006)->text().toStdString(), "") << arguments[0];
        EXPECT_EQ(gui.Keys().ReadString(kMirrexKey, kReplicatePathValue), "/stored/before.klx41") << arguments[0];
    }
}

TEST(FilePages, FileDialogsShowTheFilterNamesAndTheToolkitsWordsInRussian)
{
    TempUserFolders folders;
    QTranslator translator;
    ASSERT_TRUE(InstallToolkitTranslations(translator, ToolkitTranslationsFolder()))
        << "Qt's translations (qt6-translations-l10n) are not installed";
    ShownFileDialog shown = ShowSaveDialog((folders.Root() / "a.klx41").string());
    QApplication::removeTranslator(&translator);
    EXPECT_FALSE(shown.chosen);
    EXPECT_EQ(shown.filters, (std::vector<std::string>{"Файлы klx41-51", "Все файлы"}));
    EXPECT_NE(std::find(shown.buttons.begin(), shown.buttons.end(), "Отмена"), shown.buttons.end())
        << testing::PrintToString(shown.buttons);

    // Without the translations the dialogs still work, in the toolkit's
    // own words.
    QTranslator none;
    EXPECT_FALSE(InstallToolkitTranslations(none, QString::fromStdString((folders.Root() / "none").string())));
    shown = ShowSaveDialog((folders.Root() / "a.klx41").string());
    EXPECT_FALSE(shown.chosen);
    EXPECT_EQ(shown.filters, (std::vector<std::string>{"Файлы klx41-51", "Все файлы"}));
    EXPECT_NE(std::find(shown.buttons.begin(), shown.buttons.end(), "Cancel"), shown.buttons.end())
        << testing::PrintToString(shown.buttons);
}

TEST(FilePages, UnusablePathsStayOnTheirPageWithAMessage)
{
    GuiHarness gui;
    CWizard97PropertySheet& sheet = gui.Open();
    sheet.SetActivePage(kPageReplicateFile);
    auto* edit = Find<QLineEdit>(sheet.Page(kPageReplicateFile), 1006);
    for (const std::string& path : {std::string(), (gui.Folder() / "missing.klx41").string(), gui.Folder().string()}) {
        gui.prompts.shown.clear();
        edit->setText(QString::fromStdString(path));
        ASSERT_TRUE(gui.Press(kCmdWizNext));
        EXPECT_EQ(sheet.ActivePage(), kPageReplicateFile) << path;
        EXPECT_EQ(gui.prompts.shown.size(), 1u) << path;
    }

    // Saving before anything was read from a device.
    sheet.SetActivePage(kPageSaveFile);
    for (const std::string& path : {std::string(), gui.Folder().string(), std::string("/proc/x/y.klx41")}) {
        gui.prompts.shown.clear();
        Find<QLineEdit>(sheet.Page(kPageSaveFile), 1003)->setText(QString::fromStdString(path));
        ASSERT_TRUE(gui.Press(kCmdWizNext));
        EXPECT_EQ(sheet.ActivePage(), kPageSaveFile) << path;
        EXPECT_GE(gui.prompts.shown.size(), 1u) << path;
    }
}

// A port whose opening takes its time and then fails, as an adapter that
// is slow to answer.
class SlowToOpenLine : public SerialLine {
public:
    bool Open(const std::string&) override
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        return false;
    }
    LineOpenError LastOpenError() const override { return LineOpenError::Other; }
    std::string LastOpenDetail() const override { return {}; }
    bool IsOpen() const override { return false; }
    void Close() override {}
    bool ReadState() override { return false; }
    bool ApplyFormat(const LineFormat&) override { return false; }
    bool SetTimeouts(const LineTimeouts&) override { return false; }
    bool SetRts(bool) override { return false; }
    bool SetDtr(bool) override { return false; }
    void Purge() override {}
    void Write(const char*, std::size_t) override {}
    void WriteChar(char) override {}
    bool Drain() override { return true; }
    bool SwitchRtsWhileSending(uint32_t, uint32_t) override { return false; }
    ReadOutcome Read(char*, uint32_t) override { return {}; }
};

TEST(Sheet, WindowKeepsPaintingUnderABusyCursorWhileAPortOpens)
{
    GuiHarness gui;
    gui.StoreSettings(GuiHarness::SettingsForPort(3));
    gui.Link().SetLineFactory([] { return std::make_unique<SlowToOpenLine>(); });
    CWizard97PropertySheet& sheet = gui.Open();
    sheet.SetActivePage(kPageReadSettings);

    // A timer of the window's thread stands for its painting.
    int ticks = 0;
    int busyTicks = 0;
    QTimer painter;
    painter.setInterval(20);
    QObject::connect(&painter, &QTimer::timeout, [&] {
        ++ticks;
        if (QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor)
            ++busyTicks;
    });
    painter.start();
    ASSERT_TRUE(gui.Press(kCmdWizNext));
    painter.stop();
    // A blocked thread would get one coalesced tick at most, after the
    // cursor is back; two show it ran, however loaded the machine is.
    EXPECT_GE(busyTicks, 2);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(sheet.ActivePage(), kPageReadSettings);
    ASSERT_EQ(gui.prompts.shown.size(), 1u);
    EXPECT_EQ(gui.prompts.shown[0].text.rfind("Не удалось открыть COM-порт. ", 0), 0u);
}

TEST(Sheet, PortThatCannotBeOpenedKeepsPageThreeAndSendsPageSevenToPageEight)
{
    GuiHarness gui;
    gui.StoreSettings(GuiHarness::SettingsForPort(250));
    CWizard97PropertySheet& sheet = gui.Open();
    sheet.SetActivePage(kPageReadSettings);
    ASSERT_TRUE(gui.Press(kCmdWizNext));
    EXPECT_EQ(sheet.ActivePage(), kPageReadSettings);
    ASSERT_EQ(gui.prompts.shown.size(), 1u);
    EXPECT_EQ(gui.prompts.shown[0].text.rfind("Не удалось открыть COM-порт. ", 0), 0u);
}

}  // namespace
