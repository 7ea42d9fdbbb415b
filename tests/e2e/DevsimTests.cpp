#include <gtest/gtest.h>
#include <termios.h>

#include <filesystem>
#include <thread>

#include "CountingLine.h"
#include "DevsimLauncher.h"
#include "platform/FakeTtyControl.h"
#include "platform/AtomicFile.h"
#include "platform/PortMap.h"
#include "platform/PosixSerialLine.h"
#include "platform/PtyPair.h"
#include "platform/TempDir.h"
#include "protocol/Sio.h"

namespace {

constexpr unsigned kAddress = 16;

CommSettings SettingsFor(uint32_t com)
{
    CommSettings settings = DefaultCommSettings();
    settings.com = com;
    return settings;
}

std::string AsText(const uint8_t* data, uint32_t length)
{
    return std::string(reinterpret_cast<const char*>(data), length);
}

// The simulated device on a pty, registered under a COM name in a private
// config folder, and the program's port object opened on that name.
class DevsimTest : public testing::Test {
protected:
    void StartDevice(std::vector<std::string> arguments = {})
    {
        arguments.insert(arguments.end(), {"--save-areas", m_areas.Path()});
        ASSERT_TRUE(m_devsim.Start(MIRREX_DEVSIM_PROGRAM, arguments)) << m_devsim.Error();
        ASSERT_NE(m_devsim.ComNumber(), 0U);
    }

    void OpenPort(CommSettings settings = DefaultCommSettings())
    {
        settings.com = m_devsim.ComNumber();
        auto line = std::make_unique<CountingLine>(MakePlatformSerialLine(), m_writes);
        ASSERT_EQ(CreateSio(settings, &m_sio, std::move(line)), SIO_OK);
    }

    int Transfer(const char* name, std::string* text = nullptr, std::vector<uint8_t> data = {})
    {
        uint8_t buffer[16] = {};
        std::copy(data.begin(), data.end(), buffer);
        uint32_t length = static_cast<uint32_t>(data.size());
        const int status = m_sio->TransferByName(name, data.empty() ? 1 : 0, kAddress, false, buffer, &length);
        if (text != nullptr)
            *text = AsText(buffer, length);
        return status;
    }

    std::vector<uint8_t> SavedArea(const char* file) const
    {
        const auto content = ReadWholeFile(m_areas / file, 1 << 20);
        return content ? std::vector<uint8_t>(content->begin(), content->end()) : std::vector<uint8_t>{};
    }

    ScopedUserFolders m_folders;
    TempDir m_areas;
    DevsimLauncher m_devsim;
    std::shared_ptr<std::atomic<int>> m_writes = std::make_shared<std::atomic<int>>(0);
    std::unique_ptr<Sio> m_sio;
};

TEST_F(DevsimTest, IdentifiesAndReadsAWholeArea)
{
    StartDevice({"--model", "KLX51", "--version", "2.07"});
    OpenPort();

    std::string text;
    ASSERT_EQ(Transfer("dev", &text), PROTO_OK);
    EXPECT_EQ(text, "15XLK");  // device texts come last character first
    ASSERT_EQ(Transfer("ver", &text), PROTO_OK);
    EXPECT_EQ(text, "70.2");

    ASSERT_EQ(Transfer("P.C.L.R."), PROTO_OK);
    ASSERT_EQ(Transfer("P.A.R.E.", nullptr, {40}), PROTO_OK);
    const std::vector<uint8_t> expected = SavedArea("config_40.dat");
    ASSERT_FALSE(expected.empty());
    uint32_t size = 0;
    ASSERT_EQ(m_sio->ReadValue("P.I.N.F.", kAddress, false, &size, -1), PROTO_OK);
    EXPECT_EQ(__builtin_bswap32(size), expected.size());

    ASSERT_EQ(Transfer("P.R.D.D.", &text), PROTO_OK);  // the heading
    std::vector<uint8_t> area;
    for (;;) {
        ASSERT_EQ(Transfer("P.R.D.D.", &text), PROTO_OK);
        if (text.empty())
            break;
        area.insert(area.end(), text.begin(), text.end());
    }
    EXPECT_EQ(area, expected);
    // dev, ver, P.C.L.R., P.A.R.E., P.I.N.F., the heading, the blocks, the empty end.
    EXPECT_EQ(m_writes->load(), 5 + 1 + static_cast<int>(expected.size() + 14) / 15 + 1);
}

TEST_F(DevsimTest, WrittenAreaIsSavedWhenTheTransferEnds)
{
    StartDevice();
    OpenPort();
    ASSERT_EQ(Transfer("P.C.L.R."), PROTO_OK);
    ASSERT_EQ(Transfer("P.A.R.E.", nullptr, {64}), PROTO_OK);
    ASSERT_EQ(Transfer("P.W.R.T.", nullptr, {}), PROTO_OK);  // opens the write
    std::vector<uint8_t> written;
    for (uint8_t block = 0; block < 3; ++block) {
        std::vector<uint8_t> bytes(block == 2 ? 4 : 15);
        for (auto& b : bytes)
            b = static_cast<uint8_t>(written.size() * 7 + block);
        uint8_t buffer[16];
        std::copy(bytes.begin(), bytes.end(), buffer);
        uint32_t length = static_cast<uint32_t>(bytes.size());
        ASSERT_EQ(m_sio->TransferByName("P.W.R.T.", 0, kAddress, false, buffer, &length), PROTO_OK);
        written.insert(written.end(), bytes.begin(), bytes.end());
    }
    EXPECT_NE(SavedArea("config_64.dat"), written);
    ASSERT_EQ(Transfer("P.C.L.R."), PROTO_OK);
    EXPECT_EQ(SavedArea("config_64.dat"), written);
}

TEST_F(DevsimTest, SilentDeviceCostsThreeAttempts)
{
    StartDevice({"--fault", "dev:0:3:silence"});
    OpenPort();
    EXPECT_EQ(Transfer("dev"), PROTO_NO_ANSWER);
    EXPECT_EQ(m_writes->load(), 3);
    // The device heard exactly those three: the next request is answered.
    EXPECT_EQ(Transfer("dev"), PROTO_OK);
    EXPECT_EQ(m_writes->load(), 4);
}

TEST_F(DevsimTest, AnswerSplitByAFiftyMillisecondGapIsAccepted)
{
    StartDevice({"--fault", "ver:0:1:split:6:50"});
    OpenPort();
    std::string text;
    EXPECT_EQ(Transfer("ver", &text), PROTO_OK);
    EXPECT_EQ(text, "0.1");
    EXPECT_EQ(m_writes->load(), 1);
}

// Characters trickle in one by one as on a real line; retries are not
// counted here, a loaded machine may cause one.
TEST_F(DevsimTest, AnswersTakeTheirLineTime)
{
    StartDevice({"--baud", "57600", "--format", "8E1", "--turnaround", "1"});
    CommSettings settings = DefaultCommSettings();
    settings.baud_rate = 57600;
    settings.parity = 2;
    OpenPort(settings);
    std::string text;
    EXPECT_EQ(Transfer("dev", &text), PROTO_OK);
    EXPECT_EQ(text, "14XLK");
    EXPECT_EQ(Transfer("ver", &text), PROTO_OK);
    EXPECT_EQ(text, "0.1");
}

// A device that takes 370 ms before it answers, at 2400 bit/s, on a pty:
// the PC's time-out starts while its request is still on the (emulated)
// wire, as if it did not wait for the drain, so a block request of 183 ms
// is given up on and sent again while the device answers the first one.
TEST_F(DevsimTest, RetryOverlappingAnAnswerIsHeardUnlessTheBusIsHalfDuplex)
{
    for (const bool halfDuplex : {false, true}) {
        SCOPED_TRACE(halfDuplex ? "half duplex" : "full duplex");
        m_devsim.Stop();
        std::vector<std::string> args = {"--baud", "2400", "--turnaround", "370"};
        if (halfDuplex)
            args.push_back("--half-duplex");
        StartDevice(args);
        CommSettings settings = DefaultCommSettings();
        settings.baud_rate = 2400;
        OpenPort(settings);
        ASSERT_EQ(Transfer("P.A.R.E.", nullptr, {64}), PROTO_OK);
        ASSERT_EQ(Transfer("P.W.R.T.", nullptr, {}), PROTO_OK);
        const std::vector<uint8_t> block(15, 0xA5);
        *m_writes = 0;
        uint8_t buffer[16];
        std::copy(block.begin(), block.end(), buffer);
        uint32_t length = 15;
        EXPECT_EQ(m_sio->TransferByName("P.W.R.T.", 0, kAddress, false, buffer, &length), PROTO_OK);
        EXPECT_EQ(m_writes->load(), 2);
        std::this_thread::sleep_for(std::chrono::milliseconds(1200));  // the second answer comes and goes
        ASSERT_EQ(Transfer("P.C.L.R."), PROTO_OK);
        std::vector<uint8_t> expected = block;
        if (!halfDuplex)
            expected.insert(expected.end(), block.begin(), block.end());
        EXPECT_EQ(SavedArea("config_64.dat"), expected);
        m_sio.reset();
    }
}

// What a real line does with a PC set differently from the device.
TEST_F(DevsimTest, OnlyThePcsFormatAtTheDevicesRateGetsAnswers)
{
    StartDevice({"--baud", "19200", "--format", "8E1"});
    struct Case {
        uint32_t baud;
        uint32_t parity;
        uint32_t stopBits;
        int expected;
    };
    const Case cases[] = {
        {19200, 2, 0, PROTO_OK},
        {19200, 2, 2, PROTO_OK},  // a second stop bit is only a longer pause
        {19200, 0, 0, PROTO_NO_ANSWER},
        {19200, 1, 0, PROTO_NO_ANSWER},
        {115200, 2, 0, PROTO_NO_ANSWER},
        {9600, 2, 0, PROTO_NO_ANSWER},
    };
    for (const Case& c : cases) {
        CommSettings settings = DefaultCommSettings();
        settings.baud_rate = c.baud;
        settings.parity = c.parity;
        settings.stop_bits = c.stopBits;
        OpenPort(settings);
        EXPECT_EQ(Transfer("dev"), c.expected) << c.baud << " parity " << c.parity << " stop " << c.stopBits;
        m_sio.reset();
    }
    // A rate without a termios constant is seen as well.
    m_devsim.Stop();
    StartDevice({"--baud", "14400"});
    CommSettings settings = DefaultCommSettings();
    settings.baud_rate = 14400;
    OpenPort(settings);
    EXPECT_EQ(Transfer("dev"), PROTO_OK);
}

TEST_F(DevsimTest, AdapterLatencyHoldsAnswersBackButLosesNothing)
{
    StartDevice({"--adapter-latency", "16"});
    OpenPort();
    std::string text;
    EXPECT_EQ(Transfer("dev", &text), PROTO_OK);
    EXPECT_EQ(text, "14XLK");
    EXPECT_EQ(Transfer("ver", &text), PROTO_OK);
    EXPECT_EQ(m_writes->load(), 2);
}

TEST_F(DevsimTest, PortClosedAndOpenedAgainBetweenJobs)
{
    StartDevice();
    for (int job = 0; job < 3; ++job) {
        OpenPort();
        EXPECT_EQ(Transfer("dev"), PROTO_OK) << "job " << job;
        m_sio.reset();
    }
}

TEST_F(DevsimTest, DeviceVanishingMidExchangeIsAMissingAnswer)
{
    StartDevice({"--turnaround", "3000"});
    OpenPort();
    std::thread pull([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        m_devsim.Kill();
    });
    EXPECT_EQ(Transfer("dev"), PROTO_NO_ANSWER);
    pull.join();
    EXPECT_EQ(Transfer("dev"), PROTO_NO_ANSWER);  // fails at once, nothing waits
    EXPECT_TRUE(m_sio->IsOpen());
}

TEST_F(DevsimTest, AliasIsRemovedAtExit)
{
    StartDevice();
    PortMap ports;
    EXPECT_EQ(ports.Resolve(m_devsim.ComNumber()), m_devsim.SlavePath());
    EXPECT_EQ(m_devsim.Stop(), 0);
    EXPECT_FALSE(ports.Resolve(m_devsim.ComNumber()));
}

TEST_F(DevsimTest, BadOptionsAreRefused)
{
    for (const char* bad : {"--baud", "--format", "--address-bits", "--fault", "--random-areas"}) {
        DevsimLauncher devsim;
        EXPECT_FALSE(devsim.Start(MIRREX_DEVSIM_PROGRAM, {bad, "x"})) << bad;
    }
    DevsimLauncher devsim;
    EXPECT_FALSE(devsim.Start(MIRREX_DEVSIM_PROGRAM, {"--areas", m_areas / "missing"}));
}

// Opening the real port object on real paths.
class SioOnPtyTest : public testing::Test {
protected:
    void SetUp() override { m_com = PortMap().RegisterAlias(m_pty.SlavePath()); }

    ScopedUserFolders m_folders;
    PtyPair m_pty;
    uint32_t m_com = 0;
    std::unique_ptr<Sio> m_sio;
};

TEST_F(SioOnPtyTest, EveryRequestIsDrainedInBothConverterModes)
{
    for (const uint8_t converter : {1, 0}) {
        auto driver = std::make_shared<FakeDriver>();
        auto line = std::make_unique<PosixSerialLine>([this](uint32_t) { return std::optional(m_pty.SlavePath()); },
                                                      std::make_unique<FakeTtyControl>(driver));
        CommSettings settings = SettingsFor(m_com);
        settings.converter = converter;
        ASSERT_EQ(CreateSio(settings, &m_sio, std::move(line)), SIO_OK);
        const int before = driver->drains;
        m_sio->TransferByName("dev", 1, kAddress, false, nullptr, nullptr);  // nobody answers
        EXPECT_EQ(driver->drains - before, 3) << "converter " << int{converter};
        m_sio.reset();
        m_pty.Received(10);
    }
}

TEST_F(SioOnPtyTest, MissingPortCannotBeOpened)
{
    EXPECT_EQ(CreateSio(SettingsFor(m_com + 100), &m_sio), SIO_CANNOT_OPEN);
    EXPECT_EQ(m_sio, nullptr);
}

TEST_F(SioOnPtyTest, NineDataBitsFailTheSetUp)
{
    CommSettings settings = SettingsFor(m_com);
    settings.byte_size = 9;
    EXPECT_EQ(CreateSio(settings, &m_sio), SIO_BAD_DATA_BITS);
    EXPECT_EQ(m_sio, nullptr);
    // The failed attempt left the port free.
    EXPECT_EQ(CreateSio(SettingsFor(m_com), &m_sio), SIO_OK);
}

TEST_F(SioOnPtyTest, UnknownBaudRateOpensAt115200)
{
    CommSettings settings = SettingsFor(m_com);
    settings.baud_rate = 12345;
    ASSERT_EQ(CreateSio(settings, &m_sio), SIO_OK);
    UniqueFd probe(::open(m_pty.SlavePath().c_str(), O_RDWR | O_NOCTTY));
    termios state {};
    ASSERT_EQ(::tcgetattr(probe.Get(), &state), 0);
    EXPECT_EQ(::cfgetospeed(&state), B115200);
    EXPECT_EQ(m_sio->m_answerTimeout, 528000U / 115200 + 260);
}

}  // namespace
