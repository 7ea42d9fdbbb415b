// The progress dialogs over a real transfer from the simulated device:
// Enter does nothing, Esc and "Отмена" ask first, and a transfer that ends
// while the question is open closes the dialog after the answer.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iostream>

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "DevsimLauncher.h"
#include "FrameHints.h"
#include "GuiHarness.h"
#include "device/AreaJob.h"

namespace {

// Answers like ScriptedPrompts, but first lets `beforeAnswer` run, as a
// user who takes time to decide.
class SlowPrompts : public Prompts {
public:
    MsgAnswer Show(const MessageBoxRequest& request) override
    {
        texts.push_back(request.text);
        if (beforeAnswer)
            beforeAnswer();
        return answer;
    }
    std::function<void()> beforeAnswer;
    MsgAnswer answer = MsgAnswer::No;
    std::vector<std::string> texts;
};

class ProgressDialogTest : public ::testing::Test {
protected:
    // The device and the port at the same rate.
    void Connect(const std::vector<std::string>& deviceArgs, uint32_t baud = 115200)
    {
        std::vector<std::string> args = {"--exit-with-parent", "--baud", std::to_string(baud)};
        args.insert(args.end(), deviceArgs.begin(), deviceArgs.end());
        ASSERT_TRUE(device.Start(MIRREX_DEVSIM_PROGRAM, args)) << device.Error();
        CommSettings settings = GuiHarness::SettingsForPort(device.ComNumber());
        settings.baud_rate = baud;
        ASSERT_EQ(link.Start(settings), 0) << link.LastOpenDetail();
    }
    // Runs `during` once the dialog's loop is running.
    DialogResult RunRead(const std::function<void(CWaitNorm&)>& during)
    {
        CWaitNorm dialog(link, prompts, job, "Cчитывание программы CoDeSys... ", nullptr);
        QTimer::singleShot(50, &dialog, [&] { during(dialog); });
        return dialog.Run();
    }

    TempUserFolders folders;
    SlowPrompts prompts;
    QtProgressDialogs dialogs{prompts};
    DeviceLink link{prompts, dialogs, folders.Root()};
    DevsimLauncher device;
    AreaJob job;
};

// Without a close box, which the template does not have. X11 only.
TEST_F(ProgressDialogTest, AsksForATitleAndBorderOnly)
{
    Connect({"--endless-read"});
    job.area = 0;
    std::optional<MotifFrameHints> hints;
    RunRead([&](CWaitNorm& dialog) {
        hints = FrameHintsOf(dialog);
        prompts.answer = MsgAnswer::Yes;
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    if (!hints)
        GTEST_SKIP() << "no X11 display";
    EXPECT_TRUE(*hints == kDialogFrameHints) << hints->flags << " " << hints->functions << " " << hints->decorations;
}

TEST_F(ProgressDialogTest, EnterDoesNothingAndCancellingAsksFirst)
{
    Connect({"--endless-read"});
    job.area = 0;
    int questions = 0;
    const DialogResult result = RunRead([&](CWaitNorm& dialog) {
        EXPECT_EQ(dialog.Status()->text().toStdString(), "Cчитывание программы CoDeSys... ");
        QTest::keyClick(&dialog, Qt::Key_Return);
        EXPECT_TRUE(dialog.isVisible());
        prompts.answer = MsgAnswer::No;
        QTest::keyClick(&dialog, Qt::Key_Escape);
        questions = static_cast<int>(prompts.texts.size());
        EXPECT_TRUE(dialog.isVisible());
        prompts.answer = MsgAnswer::Yes;
        QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
    });
    EXPECT_EQ(result, DialogResult::Cancel);
    EXPECT_EQ(questions, 1);
    EXPECT_EQ(prompts.texts, (std::vector<std::string>{"Отменить чтение конфигурации? ",
                                                       "Отменить чтение конфигурации? "}));
    link.WaitUntilReleased(&job);
}

TEST_F(ProgressDialogTest, TransferEndingWhileTheQuestionIsOpenClosesAfterTheAnswer)
{
    Connect({"--random-areas", "9:600,16,16,16"}, 9600);
    job.area = 0;
    QProgressBar* bar = nullptr;
    prompts.beforeAnswer = [&] {
        // A silent or failing device asks its own question before the
        // dialog runs at all.
        ASSERT_NE(bar, nullptr) << "asked before the transfer's dialog ran: " << prompts.texts.back();
        // The user reads the question while the last blocks arrive.
        EXPECT_TRUE(QTest::qWaitFor([&] { return bar->value() == 100; }, 20000));
        QTest::qWait(200);
    };
    const DialogResult result = RunRead([&](CWaitNorm& dialog) {
        bar = dialog.Progress();
        prompts.answer = MsgAnswer::No;
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    EXPECT_EQ(result, DialogResult::Ok);
    EXPECT_EQ(job.status, 0);
    EXPECT_EQ(job.data.size(), 600u);
}

// An area written again shows which attempt runs, whole in the status
// line (measured in the dialog's own font), and the dialog closes at the
// end as after a first attempt.
TEST_F(ProgressDialogTest, AnAreaWrittenAgainSaysWhichAttemptRuns)
{
    // The second block of area 0 gets no answer three times over.
    Connect({"--fault", "P.W.R.T.:2:3:silence"});
    link.header.size0 = 300;
    job.area = 0;
    job.verify = true;
    job.data.assign(300, 0x5A);
    std::vector<std::string> seen;
    bool fits = true;
    CWaitNorm_Write dialog(link, prompts, job, "Запись программы CoDeSys... ", nullptr);
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &dialog, [&] {
        QLabel* status = dialog.Status();
        const std::string text = status->text().toStdString();
        if (seen.empty() || seen.back() != text) seen.push_back(text);
        fits = fits && status->fontMetrics().horizontalAdvance(status->text()) <= status->contentsRect().width();
    });
    watch.start(5);
    EXPECT_EQ(dialog.Run(), DialogResult::Ok);
    link.WaitUntilReleased(&job);
    EXPECT_EQ(job.status, 0);
    EXPECT_EQ(job.repeats, 1u);
    EXPECT_NE(std::find(seen.begin(), seen.end(), "Запись программы CoDeSys... (повтор 2 из 5)"),
              seen.end())
        << ::testing::PrintToString(seen);
    EXPECT_TRUE(fits);
}

// While the device restarts after area 64, the worker only sleeps between
// its notices: whenever the status line holds the restart's text, the
// screen shows text there. X11 only: the screen is read back from the
// server, not drawn anew.
TEST_F(ProgressDialogTest, TheRestartsTextShowsOnTheScreenWhileTheDeviceRestarts)
{
    Connect({});
    link.header.size64 = 40;
    job.area = 64;
    job.data.assign(40, 0x11);
    int samples = 0, blank = 0, blankInARow = 0, longestBlankRun = 0;
    CWaitNorm_Write dialog(link, prompts, job, "Запись значений Retain... ", nullptr);
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &dialog, [&] {
        QLabel* status = dialog.Status();
        if (!status->text().contains(QStringLiteral("перезагрузка"))) {
            blankInARow = 0;
            return;
        }
        ++samples;
        const QPoint origin = status->mapToGlobal(QPoint(0, 0));
        const QImage shown =
            dialog.screen()->grabWindow(0, origin.x(), origin.y(), status->width(), status->height()).toImage();
        bool dark = false;
        for (int y = 0; y < shown.height() && !dark; ++y)
            for (int x = 0; x < shown.width() && !dark; ++x) {
                const QColor pixel = shown.pixelColor(x, y);
                dark = std::max({pixel.red(), pixel.green(), pixel.blue()}) < 96;
            }
        blankInARow = dark ? 0 : blankInARow + 1;
        blank += dark ? 0 : 1;
        longestBlankRun = std::max(longestBlankRun, blankInARow);
    });
    watch.start(50);
    EXPECT_EQ(dialog.Run(), DialogResult::Ok);
    link.WaitUntilReleased(&job);
    EXPECT_EQ(job.status, 0);
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "no X11 display";
    std::cout << "[ measured ] restart: " << samples << " looks at the status line, " << blank << " without text\n";
    EXPECT_GE(samples, 20);
    // A look just after the text changed may come before its paint.
    EXPECT_LE(longestBlankRun, 1);
}

}  // namespace
