// A device that does not answer, against the whole wizard: while the
// identification or the clock request waits for it, the window keeps
// painting under the busy cursor, and the clicks, keys and close request
// made meanwhile start nothing. What is asked of the device, in which
// order, and what the user is told stay as they are.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>

#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "DevsimLauncher.h"
#include "GuiHarness.h"
#include "gui/qt/BesideWindow.h"
#include "configfile/ConfigHeader.h"
#include "resources/DeviceTexts.h"
#include "wizard/StoredChoices.h"

namespace {

// A window painted by the requests themselves stays unpainted for the
// whole identification, about a second; one that paints beside them shows
// gaps of tens of milliseconds (printed below), more on a loaded machine.
// The bound sits between the two, so that only the freeze fails.
constexpr std::chrono::milliseconds kFrozen{400};

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Asks the sheet to repaint every 10 ms, as an uncovered or animated
// window would, while the link waits for the device's answer to a request,
// and keeps the longest time between two paints in those waits.
class PaintWatch : public QObject {
public:
    PaintWatch(QWidget& window, DeviceLink& link) : m_window(window)
    {
        window.installEventFilter(this);
        m_ticks.setInterval(10);
        connect(&m_ticks, &QTimer::timeout, &window, [&window] { window.update(); });
        // The wizard's own way of waiting, watched.
        link.SetRequestWaiter([this](const std::function<void()>& wait) {
            ++m_waits;
            m_last = Clock::now();
            m_ticks.start();
            RunBesideWindow(wait);
            m_ticks.stop();
            m_longest = std::max(m_longest, Clock::now() - m_last);
        });
    }
    std::chrono::milliseconds Longest() const
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(m_longest);
    }
    int Waits() const { return m_waits; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == &m_window && event->type() == QEvent::Paint && m_ticks.isActive()) {
            const Clock::time_point now = Clock::now();
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        }
        return false;
    }

private:
    QWidget& m_window;
    QTimer m_ticks;
    Clock::time_point m_last;
    Clock::duration m_longest{};
    int m_waits = 0;
};

class SilentDeviceTest : public ::testing::Test {
protected:
    void StartDevice(const std::vector<std::string>& more)
    {
        std::vector<std::string> args = {"--restart-silence", "0", "--exit-with-parent", "--log-requests",
                                         log.string()};
        args.insert(args.end(), more.begin(), more.end());
        ASSERT_TRUE(device.Start(MIRREX_DEVSIM_PROGRAM, args)) << device.Error();
        gui.StoreSettings(GuiHarness::SettingsForPort(device.ComNumber()));
    }
    void Choose(int radio)
    {
        QTest::mouseClick(gui.Sheet().Page(kPageStart)->findChild<QRadioButton*>(QString::number(radio)),
                          Qt::LeftButton);
    }
    // What the user tries while the device keeps silent: Next, Back, Esc,
    // Alt+F4 and the window system's close request, each a while after the
    // one before, with a note of whether the busy cursor is up.
    void TryEverythingMeanwhile()
    {
        QTimer::singleShot(200, [this] {
            busyCursor = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
            QTest::mouseClick(gui.Sheet().Button(kCmdWizNext), Qt::LeftButton);
            QTest::mouseClick(gui.Sheet().Button(kCmdWizBack), Qt::LeftButton);
        });
        QTimer::singleShot(300, [this] {
            QTest::keyClick(&gui.Sheet(), Qt::Key_Escape);
            QTest::keyClick(&gui.Sheet(), Qt::Key_F4, Qt::AltModifier);
            QCloseEvent close;
            QApplication::sendEvent(gui.Sheet().windowHandle(), &close);
            pageMeanwhile = gui.Sheet().ActivePage();
        });
    }
    // The requests the device heard, by identifier, in order.
    std::vector<std::string> Heard()
    {
        std::vector<std::string> ids;
        std::ifstream in(log);
        for (std::string line; std::getline(in, line);)
            ids.push_back(line.substr(0, line.find(' ')));
        return ids;
    }

    GuiHarness gui;
    DevsimLauncher device;
    fs::path log = gui.Folder() / "requests.log";
    bool busyCursor = false;
    int pageMeanwhile = -1;
};

TEST_F(SilentDeviceTest, IdentificationWaitsBesideTheWindowAndIgnoresWhatIsPressedMeanwhile)
{
    StartDevice({"--fault", "dev:0:1000:silence"});
    gui.Open();
    Choose(kRadioSaveToFile);
    ASSERT_TRUE(gui.Press(kCmdWizNext));
    ASSERT_TRUE(gui.Press(kCmdWizNext));
    ASSERT_EQ(gui.Sheet().ActivePage(), kPageReadSettings);

    PaintWatch paints(gui.Sheet(), gui.Link());
    TryEverythingMeanwhile();
    const Clock::time_point start = Clock::now();
    ASSERT_TRUE(gui.Press(kCmdWizNext));
    const auto took = Clock::now() - start;
    const std::chrono::milliseconds longestGap = paints.Longest();
    EXPECT_EQ(paints.Waits(), 1);  // "dev" alone: it went unanswered

    // The device was given its full time: three attempts at "dev".
    EXPECT_GT(took, std::chrono::milliseconds(500));
    EXPECT_LT(longestGap, kFrozen) << "the window went unpainted for " << longestGap.count() << " ms";
    std::cout << "[ measured ] identification of a silent device: "
              << std::chrono::duration_cast<std::chrono::milliseconds>(took).count()
              << " ms, longest gap between paints " << longestGap.count() << " ms\n";
    EXPECT_TRUE(busyCursor);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(pageMeanwhile, kPageReadSettings);

    // One read and its two messages; no question to leave, no second read.
    const std::vector<std::string> told = {std::string(texts::kDevUnreadable) + texts::StatusText(-102),
                                           texts::ReadAreaTexts(0).failureText};
    EXPECT_EQ(gui.prompts.Texts(), told);
    EXPECT_EQ(gui.Sheet().ActivePage(), kPageReadSettings);
    EXPECT_TRUE(gui.Sheet().isVisible());
    QTest::qWait(100);
    EXPECT_EQ(gui.prompts.shown.size(), told.size());
    // "dev", as often as the request layer tries it, and nothing more.
    const std::vector<std::string> heard = Heard();
    ASSERT_EQ(heard.size(), 3u);
    EXPECT_EQ(heard, std::vector<std::string>(3, heard[0]));
}

TEST_F(SilentDeviceTest, TheClockRequestWaitsBesideTheWindowToo)
{
    StartDevice({"--fault", "rtC:0:100:silence"});
    const fs::path file = gui.Folder() / "master.klx41";
    std::vector<uint8_t> image = ImageWithSizes({100, 60, 40, 20});
    ConfigHeader header{};
    std::memcpy(&header, image.data() + image.size() - sizeof header, sizeof header);
    SetHeaderDeviceName(header, u"KLX41");
    SetHeaderSoftwareVersion(header, u"1.0");
    std::memcpy(image.data() + image.size() - sizeof header, &header, sizeof header);
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    gui.Keys().WriteDword(kMirrexKey, kClockOptionValue, 1);
    gui.Open();
    Choose(kRadioReplicateFromFile);
    ASSERT_TRUE(gui.Press(kCmdWizNext));
    gui.Sheet().Page(kPageReplicateFile)->findChild<QLineEdit*>("1006")->setText(QString::fromStdString(file.string()));
    ASSERT_TRUE(gui.Press(kCmdWizNext));
    ASSERT_EQ(gui.Sheet().ActivePage(), kPageWrite);

    // The write's own "dev" and "ver", then the time, which goes unanswered.
    PaintWatch paints(gui.Sheet(), gui.Link());
    gui.prompts.answers = {MsgAnswer::No};
    ASSERT_TRUE(gui.Press(kCmdWizNext));
    const std::chrono::milliseconds longestGap = paints.Longest();
    EXPECT_GE(paints.Waits(), 3);

    // No answer to the time: the retry question, declined, and page 7.
    ASSERT_FALSE(gui.prompts.shown.empty());
    EXPECT_EQ(gui.prompts.shown.back().text.rfind("Внимание! Время и дату в прибор записать не удалось. ", 0), 0u)
        << ::testing::PrintToString(gui.prompts.Texts());
    EXPECT_EQ(gui.prompts.shown.size(), 1u) << ::testing::PrintToString(gui.prompts.Texts());
    EXPECT_EQ(gui.Sheet().ActivePage(), kPageWrite);
    EXPECT_LT(longestGap, kFrozen) << "the window went unpainted for " << longestGap.count() << " ms";
    std::cout << "[ measured ] a write and a clock request without answer: longest gap between paints "
              << longestGap.count() << " ms\n";
}

}  // namespace
