#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/AtomicFile.h"
#include "platform/OpenLines.h"
#include "platform/FakeTtyControl.h"
#include "platform/PortDiagnosis.h"
#include "platform/PortMap.h"
#include "platform/PosixSerialLine.h"
#include "platform/PtyPair.h"
#include "platform/TempDir.h"

namespace {

constexpr LineTimeouts kTimeouts {20, 1, 300};

class SerialLineTest : public testing::Test {
protected:
    // COM5 is the pty, every other number is absent.
    PosixSerialLine m_line{[this](uint32_t number) -> std::optional<std::string> {
        if (number == 5)
            return m_pty.SlavePath();
        return std::nullopt;
    }};
    PtyPair m_pty;

    void OpenConfigured(const LineFormat& format = {115200, LineParity::None, LineStopBits::One, 8})
    {
        ASSERT_TRUE(m_line.Open("\\\\.\\COM5")) << m_line.LastOpenDetail();
        ASSERT_TRUE(m_line.ReadState());
        ASSERT_TRUE(m_line.ApplyFormat(format));
        ASSERT_TRUE(m_line.SetTimeouts(kTimeouts));
    }

    std::string ReadString(uint32_t count, ReadOutcome* outcome = nullptr)
    {
        std::string text(count, '\0');
        const ReadOutcome result = m_line.Read(text.data(), count);
        text.resize(result.count);
        if (outcome != nullptr)
            *outcome = result;
        return text;
    }
};

TEST_F(SerialLineTest, OpenFailuresSayWhyNamingThePortAsTheUserKnowsIt)
{
    EXPECT_FALSE(m_line.Open("\\\\.\\COM6"));
    EXPECT_EQ(m_line.LastOpenError(), LineOpenError::NotFound);
    EXPECT_EQ(m_line.LastOpenDetail(), "COM6");
    // Port 0 is an empty port cell: no port was chosen.
    EXPECT_FALSE(m_line.Open("\\\\.\\COM0"));
    EXPECT_EQ(m_line.LastOpenError(), LineOpenError::NotFound);
    EXPECT_EQ(m_line.LastOpenDetail(), "");

    EXPECT_FALSE(m_line.Open("/dev/mirrex-no-such-device"));
    EXPECT_EQ(m_line.LastOpenError(), LineOpenError::NotFound);
    EXPECT_NE(m_line.LastOpenDetail().find("/dev/mirrex-no-such-device"), std::string::npos);
    EXPECT_FALSE(m_line.IsOpen());

    // Named as the user knows it, not by the name it is opened by.
    EXPECT_FALSE(m_line.Open("\\\\.\\COM205"));
    EXPECT_EQ(m_line.LastOpenDetail(), "COM205");

    EXPECT_FALSE(m_line.Open("ttyS0"));  // neither a COM name nor a path
    EXPECT_FALSE(m_line.IsOpen());
}

TEST_F(SerialLineTest, SecondOpenOfTheSamePortIsBusy)
{
    OpenConfigured();
    PosixSerialLine other{nullptr};
    EXPECT_FALSE(other.Open(m_pty.SlavePath()));
    EXPECT_EQ(other.LastOpenError(), LineOpenError::Busy);
    EXPECT_EQ(other.LastOpenDetail(), m_pty.SlavePath());
    // Asked by its COM name: that name and the device behind it.
    PosixSerialLine byName{[this](uint32_t) -> std::optional<std::string> { return m_pty.SlavePath(); }};
    EXPECT_FALSE(byName.Open("\\\\.\\COM5"));
    EXPECT_EQ(byName.LastOpenDetail(), "COM5 (" + m_pty.SlavePath() + ")");

    m_line.Close();
    EXPECT_TRUE(other.Open(m_pty.SlavePath())) << other.LastOpenDetail();
}

TEST_F(SerialLineTest, PortWithoutPermissionIsReportedAsSuch)
{
    // Root opens anything, so the open is tried by a child that has given up
    // root, against the pty with every permission removed.
    ASSERT_EQ(::chmod(m_pty.SlavePath().c_str(), 0), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(100);
        PosixSerialLine line{nullptr};
        const bool opened = line.Open(m_pty.SlavePath());
        const bool detailed = line.LastOpenDetail().find(m_pty.SlavePath()) != std::string::npos;
        ::_exit(opened ? 101 : detailed ? static_cast<int>(line.LastOpenError()) : 102);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), static_cast<int>(LineOpenError::NoPermission));
}

TEST(OpenErrorTest, ErrnoMapping)
{
    EXPECT_EQ(OpenErrorOfErrno(ENOENT), LineOpenError::NotFound);
    EXPECT_EQ(OpenErrorOfErrno(ENXIO), LineOpenError::NotFound);
    EXPECT_EQ(OpenErrorOfErrno(EACCES), LineOpenError::NoPermission);
    EXPECT_EQ(OpenErrorOfErrno(EPERM), LineOpenError::NoPermission);
    EXPECT_EQ(OpenErrorOfErrno(EBUSY), LineOpenError::Busy);
    EXPECT_EQ(OpenErrorOfErrno(EIO), LineOpenError::Other);
}

TEST_F(SerialLineTest, FormatIsRawAtTheRequestedSpeed)
{
    OpenConfigured({9600, LineParity::Even, LineStopBits::Two, 8});
    UniqueFd probe(::open(m_pty.SlavePath().c_str(), O_RDWR | O_NOCTTY));
    termios settings {};
    ASSERT_EQ(::tcgetattr(probe.Get(), &settings), 0);
    EXPECT_EQ(::cfgetospeed(&settings), B9600);
    EXPECT_EQ(::cfgetispeed(&settings), B9600);
    EXPECT_EQ(settings.c_lflag & (ICANON | ECHO | ISIG), 0U);
    EXPECT_EQ(settings.c_iflag & (ICRNL | IXON), 0U);
    EXPECT_EQ(settings.c_oflag & OPOST, 0U);
    EXPECT_NE(settings.c_cflag & CLOCAL, 0U);
    EXPECT_EQ(settings.c_cflag & CRTSCTS, 0U);

    EXPECT_FALSE(m_line.ApplyFormat({9600, LineParity::None, LineStopBits::One, 9}));
    EXPECT_FALSE(m_line.ApplyFormat({9600, LineParity::None, LineStopBits::One, 4}));
    // Rates without a termios constant still open, and leave nothing behind
    // that would keep the input at the old rate afterwards.
    EXPECT_TRUE(m_line.ApplyFormat({14400, LineParity::None, LineStopBits::One, 8}));
    EXPECT_TRUE(m_line.ApplyFormat({28800, LineParity::None, LineStopBits::One, 8}));
    ASSERT_TRUE(m_line.ApplyFormat({9600, LineParity::None, LineStopBits::One, 8}));
    ASSERT_EQ(::tcgetattr(probe.Get(), &settings), 0);
    EXPECT_EQ(::cfgetospeed(&settings), B9600);
    EXPECT_EQ(settings.c_cflag & CIBAUD, 0U);
}

TEST_F(SerialLineTest, TextPassesUnchangedBothWays)
{
    OpenConfigured();
    const std::string request = "#GHIJ\rKL\n\x03\x7f";
    m_line.Write(request.data(), request.size());
    EXPECT_EQ(m_pty.Received(), request);

    m_pty.Send("#ABC\r\n");
    EXPECT_EQ(ReadString(6), "#ABC\r\n");
    EXPECT_EQ(m_pty.Received(50), "") << "the port echoed what it received";

    m_line.WriteChar('\r');
    EXPECT_EQ(m_pty.Received(), "\r");
}

TEST_F(SerialLineTest, ReadEndsWithWhatCameWhenTheLineFallsSilent)
{
    OpenConfigured();
    m_pty.Send("#GHI");
    ReadOutcome outcome;
    EXPECT_EQ(ReadString(14, &outcome), "#GHI");
    EXPECT_FALSE(outcome.endedEmpty);

    EXPECT_EQ(ReadString(14, &outcome), "");
    EXPECT_TRUE(outcome.endedEmpty);
}

TEST_F(SerialLineTest, PurgeDropsPendingInput)
{
    OpenConfigured();
    m_pty.Send("late answer");
    ASSERT_EQ(ReadString(1), "l");
    m_line.Purge();
    ReadOutcome outcome;
    EXPECT_EQ(ReadString(10, &outcome), "");
    EXPECT_TRUE(outcome.endedEmpty);
}

TEST_F(SerialLineTest, ModemLinesOfAPtyFailQuietly)
{
    OpenConfigured();
    EXPECT_FALSE(m_line.SetRts(false));
    EXPECT_FALSE(m_line.SetDtr(true));
    EXPECT_TRUE(m_line.IsOpen());
}

TEST_F(SerialLineTest, VanishedLineEndsTheReadAndLaterOperationsFailAtOnce)
{
    OpenConfigured();
    m_pty.Send("#GH");
    m_pty.HangUp();  // the kernel drops what was still queued

    ReadOutcome outcome;
    EXPECT_EQ(ReadString(14, &outcome), "");
    EXPECT_TRUE(outcome.endedEmpty);
    // From now on nothing starts, so nothing waits.
    m_line.Write("#GHIJ", 5);
    EXPECT_EQ(ReadString(14, &outcome), "");
    EXPECT_FALSE(outcome.endedEmpty);
    EXPECT_TRUE(m_line.IsOpen());
    m_line.Close();
    EXPECT_FALSE(m_line.IsOpen());
}

TEST_F(SerialLineTest, PtyRefusesTheDriverCallsAndStillWorks)
{
    OpenConfigured();
    EXPECT_FALSE(m_line.SwitchRtsWhileSending(1, 0));
    m_line.Write("#GH\r", 4);
    m_line.Drain();
    EXPECT_EQ(m_pty.Received(), "#GH\r");
    m_pty.Send("x");
    EXPECT_EQ(ReadString(1), "x");
}

TEST_F(SerialLineTest, ClosedLineDoesNothing)
{
    m_line.Write("x", 1);
    m_line.Purge();
    EXPECT_FALSE(m_line.ReadState());
    EXPECT_FALSE(m_line.ApplyFormat({}));
    EXPECT_FALSE(m_line.SetRts(true));
    EXPECT_FALSE(m_line.SwitchRtsWhileSending(1, 0));
    m_line.Drain();
    char c = 0;
    const ReadOutcome outcome = m_line.Read(&c, 1);
    EXPECT_EQ(outcome.count, 0U);
    EXPECT_FALSE(outcome.endedEmpty);
    m_line.Close();
}

TEST_F(SerialLineTest, RegularFileOpensButIsNoSerialLine)
{
    TempDir dir;
    { std::ofstream(dir / "file") << "x"; }
    ASSERT_TRUE(m_line.Open(dir / "file"));
    EXPECT_FALSE(m_line.ReadState());
}

}  // namespace

namespace {

TEST(PortDiagnosisTest, SaysWhyAPortDoesNotOpen)
{
    ScopedUserFolders folders;
    PtyPair pty;
    PortMap ports;
    const uint32_t com = ports.RegisterAlias(pty.SlavePath());
    ASSERT_NE(com, 0U);
    EXPECT_EQ(DiagnosePortOpen("\\\\.\\" + PortMap::NameOfNumber(com)).error, LineOpenError::None);

    // A pty still held by the program; the diagnosis must not take it away.
    PosixSerialLine holder{nullptr};
    ASSERT_TRUE(holder.Open(pty.SlavePath()));
    const PortOpenProblem busy = DiagnosePortOpen(pty.SlavePath());
    EXPECT_EQ(busy.error, LineOpenError::Busy);
    EXPECT_NE(busy.detail.find(pty.SlavePath()), std::string::npos);
    EXPECT_TRUE(holder.IsOpen());

    EXPECT_EQ(DiagnosePortOpen("\\\\.\\COM250").error, LineOpenError::NotFound);
}

}  // namespace

namespace {

// The driver calls, made on a real pty through a driver that has them.
class DriverCallsTest : public testing::Test {
protected:
    DriverCallsTest()
    {
        m_driver->serial = serial_struct {};
        m_driver->serial->flags = ASYNC_SKIP_TEST;
        m_driver->latencyTimerMs = 16;
        m_driver->rs485 = serial_rs485 {};
        m_driver->rs485->flags = SER_RS485_RTS_AFTER_SEND;  // as a driver may come up
        m_driver->rs485->delay_rts_after_send = 7;
    }

    void Open() { ASSERT_TRUE(m_line.Open(m_pty.SlavePath())) << m_line.LastOpenDetail(); }

    PtyPair m_pty;
    std::shared_ptr<FakeDriver> m_driver = std::make_shared<FakeDriver>();
    PosixSerialLine m_line{nullptr, std::make_unique<FakeTtyControl>(m_driver)};
};

TEST_F(DriverCallsTest, LowLatencyWhileOpenAndAsBeforeAfterwards)
{
    Open();
    EXPECT_EQ(m_driver->serial->flags, ASYNC_SKIP_TEST | ASYNC_LOW_LATENCY);
    EXPECT_EQ(m_driver->latencyTimerMs, 1U);
    m_line.Close();
    EXPECT_EQ(m_driver->serial->flags, ASYNC_SKIP_TEST);
    EXPECT_EQ(m_driver->latencyTimerMs, 16U);

    // Already low: left alone, and not "restored" to high on close.
    m_driver->serial->flags = ASYNC_LOW_LATENCY;
    m_driver->latencyTimerMs = 1;
    Open();
    m_line.Close();
    EXPECT_EQ(m_driver->serial->flags, ASYNC_LOW_LATENCY);
    EXPECT_EQ(m_driver->latencyTimerMs, 1U);
}

TEST_F(DriverCallsTest, DriverThatRefusesIsNoError)
{
    m_driver->refusesSetSerial = true;
    m_driver->latencyTimerWritable = false;
    Open();
    EXPECT_EQ(m_driver->serial->flags, ASYNC_SKIP_TEST);
    EXPECT_EQ(m_driver->latencyTimerMs, 16U);
    m_line.Write("ab", 2);
    m_line.Drain();
    EXPECT_EQ(m_pty.Received(), "ab");
    m_line.Close();

    m_driver->serial.reset();
    m_driver->latencyTimerMs.reset();
    m_driver->rs485.reset();
    Open();
    EXPECT_FALSE(m_line.SwitchRtsWhileSending(1, 0));
    EXPECT_TRUE(m_line.IsOpen());
}

TEST_F(DriverCallsTest, Rs485DirectionIsTakenWhereTheDriverDoesItAndPutBackOnClose)
{
    Open();
    ASSERT_TRUE(m_line.SwitchRtsWhileSending(1, 0));
    EXPECT_EQ(m_driver->rs485->flags, static_cast<__u32>(SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND));
    EXPECT_EQ(m_driver->rs485->delay_rts_before_send, 1U);
    EXPECT_EQ(m_driver->rs485->delay_rts_after_send, 0U);
    m_line.Close();
    EXPECT_EQ(m_driver->rs485->flags, static_cast<__u32>(SER_RS485_RTS_AFTER_SEND));
    EXPECT_EQ(m_driver->rs485->delay_rts_after_send, 7U);

    // A longer lead than asked for still keeps the converter's turn-round.
    m_driver->takesRs485 = [](serial_rs485& taken) { taken.delay_rts_before_send = 5; };
    Open();
    EXPECT_TRUE(m_line.SwitchRtsWhileSending(1, 0));
    m_line.Close();
}

// A driver without the delay before sending reads it back as 0: RTS would
// rise with the start bit, so the program keeps its own timing.
TEST_F(DriverCallsTest, Rs485WithoutTheLeadTimeIsLeftToTheProgram)
{
    m_driver->takesRs485 = [](serial_rs485& taken) { taken.delay_rts_before_send = 0; };
    Open();
    EXPECT_FALSE(m_line.SwitchRtsWhileSending(1, 0));
    EXPECT_EQ(m_driver->rs485->flags, static_cast<__u32>(SER_RS485_RTS_AFTER_SEND));
    EXPECT_EQ(m_driver->rs485->delay_rts_after_send, 7U);
    m_line.Close();
    EXPECT_EQ(m_driver->rs485->flags, static_cast<__u32>(SER_RS485_RTS_AFTER_SEND));
}

// An adapter that stopped sending keeps its queue full: the wait ends at
// the write time-out (a character time per character plus the constant)
// and says so; the line itself is not taken for gone.
TEST_F(DriverCallsTest, ADrainThatDoesNotEndStopsAtTheWriteTimeout)
{
    Open();
    ASSERT_TRUE(m_line.SetTimeouts(kTimeouts));
    m_driver->stuckOutput = 100;
    m_line.Write("#GHIJ\r", 6);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(m_line.Drain());
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(100 * kTimeouts.perCharMs + kTimeouts.constantMs));
    EXPECT_LT(waited, std::chrono::seconds(5));
    EXPECT_FALSE(m_line.Lost());

    m_driver->stuckOutput.reset();
    m_line.Write("ab", 2);
    EXPECT_TRUE(m_line.Drain());
}

TEST_F(DriverCallsTest, Rs485ModeTheDriverBendsIsUndoneAtOnce)
{
    const std::function<void(serial_rs485&)> bends[] = {
        [](serial_rs485& taken) { taken.flags |= SER_RS485_RTS_AFTER_SEND; },  // RTS the wrong way round
        [](serial_rs485& taken) { taken.flags &= ~static_cast<__u32>(SER_RS485_ENABLED); },
    };
    for (const auto& bend : bends) {
        m_driver->takesRs485 = bend;
        Open();
        EXPECT_FALSE(m_line.SwitchRtsWhileSending(1, 0));
        EXPECT_EQ(m_driver->rs485->flags, static_cast<__u32>(SER_RS485_RTS_AFTER_SEND));
        m_line.Close();
        EXPECT_EQ(m_driver->rs485->flags, static_cast<__u32>(SER_RS485_RTS_AFTER_SEND));
    }
}

TEST_F(DriverCallsTest, DrainWaitsOnTheOpenLineUntilItBreaks)
{
    Open();
    m_line.Write("#GHIJ\r", 6);
    EXPECT_TRUE(m_line.Drain());
    EXPECT_EQ(m_driver->drains, 1);
    EXPECT_NE(m_driver->lastDrainFd, -1);
    m_pty.HangUp();
    char c = 0;
    m_line.Read(&c, 1);  // finds the line gone
    EXPECT_FALSE(m_line.Drain());
    EXPECT_EQ(m_driver->drains, 1);
}

bool Exclusive(const std::string& path)
{
    UniqueFd probe(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK));  // root passes the flag
    int exclusive = -1;
    return probe.Valid() && ::ioctl(probe.Get(), TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
}

// A program told to end puts every open port back from its own thread,
// while a worker may still hold the line: exclusivity, low latency, the
// latency timer and the RS-485 mode are as before, and the later ordinary
// close changes nothing more.
TEST_F(DriverCallsTest, PuttingEveryOpenLineBackLeavesThePortsAsTheyWere)
{
    Open();
    ASSERT_TRUE(m_line.SwitchRtsWhileSending(1, 0));
    EXPECT_TRUE(Exclusive(m_pty.SlavePath()));
    std::thread([] { openlines::PutAll(); }).join();
    EXPECT_FALSE(Exclusive(m_pty.SlavePath()));
    EXPECT_EQ(m_driver->serial->flags, ASYNC_SKIP_TEST);
    EXPECT_EQ(m_driver->latencyTimerMs, 16U);
    EXPECT_EQ(m_driver->rs485->flags, static_cast<__u32>(SER_RS485_RTS_AFTER_SEND));
    EXPECT_TRUE(m_line.IsOpen());

    m_driver->latencyTimerMs = 5;  // changed by someone else since
    m_line.Close();
    EXPECT_EQ(m_driver->latencyTimerMs, 5U);

    // A closed line is out of reach: putting back again touches nothing.
    Open();
    m_line.Close();
    openlines::PutAll();
    EXPECT_FALSE(Exclusive(m_pty.SlavePath()));
}

// A waiting loop asks between requests whether the adapter is still there;
// a line that merely stays silent must not count as gone.
TEST_F(SerialLineTest, ALineIsLostOnlyOnceItsOtherEndHasGone)
{
    OpenConfigured();
    char c = 0;
    m_line.Read(&c, 1);
    EXPECT_FALSE(m_line.Lost());
    m_pty.HangUp();
    m_line.Read(&c, 1);
    EXPECT_TRUE(m_line.Lost());
    m_line.Close();
    EXPECT_FALSE(m_line.Lost());
}

}  // namespace

namespace {

// The latency timer is found in sysfs by the tty's device number, whatever
// path the port was opened by.
TEST(KernelTtyControlTest, LatencyTimerIsReadAndWrittenByDeviceNumber)
{
    TempDir sys;
    PtyPair pty;
    struct stat status {};
    ASSERT_EQ(::stat(pty.SlavePath().c_str(), &status), 0);
    const std::string entry = sys / (std::to_string(major(status.st_rdev)) + ":" + std::to_string(minor(status.st_rdev)));
    std::filesystem::create_directories(entry + "/device");
    { std::ofstream(entry + "/device/latency_timer") << "16\n"; }

    PosixSerialLine line{nullptr, MakeKernelTtyControl(sys.Path())};
    ASSERT_TRUE(line.Open(pty.SlavePath()));
    EXPECT_EQ(ReadWholeFile(entry + "/device/latency_timer", 100), "1\n");
    line.Close();
    EXPECT_EQ(ReadWholeFile(entry + "/device/latency_timer", 100), "16\n");
}

}  // namespace
