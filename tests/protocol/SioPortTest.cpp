#include <gtest/gtest.h>

#include "ProtocolTestKit.h"

namespace {

struct RecordedPort {
    explicit RecordedPort(LineFailures failures = {}, CommSettings settings = TestSettings())
    {
        auto owned = std::make_unique<InProcessLine>(nullptr, failures);
        line = owned.get();
        sio = std::make_unique<Sio>(std::move(owned), [](uint32_t) {});
        sio->Configure(settings);
    }
    InProcessLine* line;
    std::unique_ptr<Sio> sio;
};

TEST(SioPort, ConfigureMapsTheStoredSettings)
{
    CommSettings s = TestSettings(1, 12345);
    s.com = 7;
    s.parity = 1;
    s.stop_bits = 2;
    s.byte_size = 7;
    RecordedPort port({}, s);
    EXPECT_STREQ(port.sio->m_requested.name, "\\\\.\\COM7");
    EXPECT_EQ(port.sio->m_requested.format.baudRate, 115200u);
    EXPECT_EQ(port.sio->m_requested.format.parity, LineParity::Odd);
    EXPECT_EQ(port.sio->m_requested.format.stopBits, LineStopBits::Two);
    EXPECT_EQ(port.sio->m_requested.format.dataBits, 7);
    EXPECT_EQ(port.sio->m_mode, 1);

    s.parity = 2;
    s.stop_bits = 1;
    s.baud_rate = 2400;
    s.converter = 0;
    port.sio->Configure(s);
    EXPECT_EQ(port.sio->m_requested.format.parity, LineParity::Even);
    EXPECT_EQ(port.sio->m_requested.format.stopBits, LineStopBits::OneAndHalf);
    EXPECT_EQ(port.sio->m_requested.format.baudRate, 2400u);
    EXPECT_EQ(port.sio->m_mode, 0);

    s.parity = 9;
    s.stop_bits = 9;
    port.sio->Configure(s);
    EXPECT_EQ(port.sio->m_requested.format.parity, LineParity::None);
    EXPECT_EQ(port.sio->m_requested.format.stopBits, LineStopBits::One);
}

TEST(SioPort, OpenSetsTheLineUpInOrder)
{
    RecordedPort port;
    ASSERT_EQ(port.sio->Open(), SIO_OK);
    EXPECT_TRUE(port.sio->IsOpen());
    EXPECT_EQ(port.sio->m_answerTimeout, 264u);
    EXPECT_EQ(port.line->Timeouts().interCharMs, 20u);
    EXPECT_EQ(port.line->Timeouts().perCharMs, 1u);
    EXPECT_EQ(port.line->Timeouts().constantMs, 264u);
    EXPECT_STREQ(port.sio->m_active.name, "\\\\.\\COM1");

    std::vector<LineEventKind> kinds;
    for (const LineEvent& e : port.line->Events()) kinds.push_back(e.kind);
    EXPECT_EQ(kinds, (std::vector<LineEventKind>{LineEventKind::Open, LineEventKind::Format,
                                                 LineEventKind::Timeouts, LineEventKind::Rts,
                                                 LineEventKind::Dtr, LineEventKind::Purge}));
    // Automatic converter: no calibration, RTS stays low.
    EXPECT_EQ(port.sio->m_leadDelay, 0);
    EXPECT_EQ(port.sio->m_charDelay, 0);
    EXPECT_FALSE(port.line->Rts());
    EXPECT_TRUE(port.line->EventsOf(LineEventKind::WriteChar).empty());

    EXPECT_EQ(port.sio->Open(), SIO_CANNOT_OPEN);  // already open
}

TEST(SioPort, AnswerTimeOutFollowsTheBaudRate)
{
    const std::pair<uint32_t, uint32_t> table[] = {{2400, 480}, {4800, 370}, {9600, 315},
                                                   {14400, 296}, {19200, 287}, {28800, 278},
                                                   {38400, 273}, {57600, 269}, {115200, 264}};
    for (auto [baud, timeout] : table) {
        RecordedPort port({}, TestSettings(1, baud));
        ASSERT_EQ(port.sio->Open(), SIO_OK);
        EXPECT_EQ(port.sio->m_answerTimeout, timeout) << baud;
        EXPECT_EQ(port.line->Format().baudRate, baud);
    }
}

TEST(SioPort, OpeningFailuresGiveTheirCodes)
{
    LineFailures open;
    open.open = true;
    LineFailures state;
    state.readState = true;
    LineFailures format;
    format.format = true;
    LineFailures timeouts;
    timeouts.timeouts = true;
    EXPECT_EQ(RecordedPort(open).sio->Open(), SIO_CANNOT_OPEN);
    EXPECT_EQ(RecordedPort(state).sio->Open(), SIO_NOT_OPEN);
    EXPECT_EQ(RecordedPort(format).sio->Open(), SIO_SET_STATE_FAILED);
    EXPECT_EQ(RecordedPort(timeouts).sio->Open(), SIO_SET_TIMEOUTS_FAILED);

    for (uint8_t bits : {4, 9}) {
        CommSettings s = TestSettings();
        s.byte_size = bits;
        RecordedPort port({}, s);
        EXPECT_EQ(port.sio->Open(), SIO_BAD_DATA_BITS);
        EXPECT_TRUE(port.line->EventsOf(LineEventKind::Format).empty());
    }
}

TEST(SioPort, UnconfiguredPortRefusesToOpenRatherThanDivideByZero)
{
    auto sio = std::make_unique<Sio>(std::make_unique<InProcessLine>(), [](uint32_t) {});
    sio->m_requested.format.dataBits = 8;
    EXPECT_EQ(sio->Open(), SIO_SET_STATE_FAILED);
}

TEST(SioPort, FailedSetUpLeavesTheLineForCloseAndReopen)
{
    LineFailures timeouts;
    timeouts.timeouts = true;
    RecordedPort port(timeouts);
    EXPECT_EQ(port.sio->Open(), SIO_SET_TIMEOUTS_FAILED);
    EXPECT_TRUE(port.line->IsOpen());
    EXPECT_EQ(port.sio->Reopen(), SIO_SET_TIMEOUTS_FAILED);  // closed, opened again
    EXPECT_EQ(port.line->EventsOf(LineEventKind::Close).size(), 1u);
}

TEST(SioPort, ModemLinesThatCannotBeSwitchedDoNotFailTheOpen)
{
    LineFailures pty;
    pty.modemLines = true;
    RecordedPort port(pty);
    EXPECT_EQ(port.sio->Open(), SIO_OK);
}

TEST(SioPort, CloseOnAClosedPortDoesNothing)
{
    RecordedPort port;
    EXPECT_EQ(port.sio->Close(), SIO_NOT_OPEN);
    EXPECT_TRUE(port.line->Events().empty());
    ASSERT_EQ(port.sio->Open(), SIO_OK);
    EXPECT_EQ(port.sio->Close(), SIO_OK);
    EXPECT_FALSE(port.line->IsOpen());
    EXPECT_EQ(port.sio->Close(), SIO_NOT_OPEN);
    EXPECT_EQ(port.line->EventsOf(LineEventKind::Close).size(), 1u);
}

TEST(SioPort, SemiAutomaticModeFramesEachRequestWithRts)
{
    RecordedPort port({}, TestSettings(0, 9600));
    ASSERT_EQ(port.sio->Open(), SIO_OK);
    EXPECT_GT(port.sio->m_leadDelay, 0);
    EXPECT_GT(port.sio->m_charDelay, 0);
    // Calibration sent its blanks while RTS was low.
    EXPECT_FALSE(port.line->EventsOf(LineEventKind::WriteChar).empty());
    EXPECT_FALSE(port.line->Rts());

    const size_t before = port.line->Events().size();
    port.sio->ResetFrame();
    port.sio->BuildFrameByName("dev", true, 16, false);
    EXPECT_EQ(port.sio->Send(), 0);

    const std::vector<LineEvent> events(port.line->Events().begin() + before, port.line->Events().end());
    ASSERT_EQ(events.size(), 1u + 1u + 14u + 1u + 1u);
    EXPECT_EQ(events[0].kind, LineEventKind::Purge);
    EXPECT_EQ(events[1].kind, LineEventKind::Rts);
    EXPECT_EQ(events[1].value, 1u);
    std::string sent;
    for (size_t i = 2; i < 16; ++i) {
        EXPECT_EQ(events[i].kind, LineEventKind::WriteChar);
        sent += events[i].text;
    }
    EXPECT_EQ(sent, "#HGHGTMOHPGMO\r");
    // RTS falls only once the last character has left the wire.
    EXPECT_EQ(events[16].kind, LineEventKind::Drain);
    EXPECT_EQ(events[17].kind, LineEventKind::Rts);
    EXPECT_EQ(events[17].value, 0u);
    EXPECT_EQ(events[17].atUs, events[16].atUs);
    EXPECT_GE(events[17].atUs - events[1].atUs, 14u * 1041u);
    EXPECT_TRUE(port.line->EventsOf(LineEventKind::Write).empty());
}

TEST(SioPort, SemiAutomaticModeLeavesRtsToADriverThatSwitchesIt)
{
    RecordedPort port({}, TestSettings(0, 9600));
    port.line->OfferDriverRts(true);
    ASSERT_EQ(port.sio->Open(), SIO_OK);
    const auto asked = port.line->EventsOf(LineEventKind::DriverRts);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, "1");  // milliseconds of RTS before the first character
    EXPECT_EQ(port.sio->m_leadDelay, 0);  // no calibration
    EXPECT_TRUE(port.line->EventsOf(LineEventKind::WriteChar).empty());

    const size_t before = port.line->Events().size();
    port.sio->ResetFrame();
    port.sio->BuildFrameByName("dev", true, 16, false);
    port.sio->Send();
    std::vector<LineEventKind> kinds;
    for (size_t i = before; i < port.line->Events().size(); ++i) kinds.push_back(port.line->Events()[i].kind);
    EXPECT_EQ(kinds, (std::vector<LineEventKind>{LineEventKind::Purge, LineEventKind::Write, LineEventKind::Drain}));

    // Closed and opened again, the driver is asked afresh.
    port.line->OfferDriverRts(false);
    ASSERT_EQ(port.sio->Reopen(), SIO_OK);
    EXPECT_GT(port.sio->m_leadDelay, 0);
}

TEST(SioPort, AutomaticModeWritesTheWholeText)
{
    RecordedPort port;
    ASSERT_EQ(port.sio->Open(), SIO_OK);
    port.sio->ResetFrame();
    port.sio->BuildFrameByName("ver", true, 16, false);
    port.sio->Send();
    const auto writes = port.line->EventsOf(LineEventKind::Write);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].text.size(), 14u);
    // Send returns when the request is off the wire: 14 characters of 10 bits.
    ASSERT_EQ(port.line->Events().back().kind, LineEventKind::Drain);
    EXPECT_EQ(port.line->NowUs() - writes[0].atUs, 14u * 86u);
    EXPECT_EQ(port.line->EventsOf(LineEventKind::Rts).size(), 1u);  // only the one of Open
}

// A request stuck in a stalled adapter gets no answer: each attempt ends
// at the write time-out without waiting for one, and the exchange fails.
TEST(SioPort, ARequestThatNeverLeavesIsAFailedExchange)
{
    for (const uint8_t converter : {1, 0}) {
        CommSettings settings = TestSettings();
        settings.converter = converter;
        RecordedPort port({}, settings);
        ASSERT_EQ(port.sio->Open(), SIO_OK);
        port.line->StallTransmitter(true);
        const uint64_t start = port.line->NowUs();
        EXPECT_EQ(port.sio->TransferByName("dev", 1, 16, false, nullptr, nullptr), PROTO_NO_ANSWER);
        const auto drains = port.line->EventsOf(LineEventKind::Drain);
        ASSERT_EQ(drains.size(), 3u) << "converter " << int{converter};
        for (const LineEvent& drain : drains) EXPECT_EQ(drain.value, 0u);
        EXPECT_TRUE(port.line->EventsOf(LineEventKind::Read).empty());
        // Three write time-outs of a 14-character request at 115200 bit/s.
        EXPECT_EQ(port.line->NowUs() - start, 3u * (14u + 264u) * 1000u);

        port.line->StallTransmitter(false);
        EXPECT_EQ(port.sio->TransferByName("dev", 1, 16, false, nullptr, nullptr), PROTO_NO_ANSWER);
        EXPECT_EQ(port.line->EventsOf(LineEventKind::Read).size(), 3u);  // waited for an answer now
    }
}

TEST(SioPort, ReadPortionNeverAsksForMoreThanTheBufferHolds)
{
    RecordedPort port;
    ASSERT_EQ(port.sio->Open(), SIO_OK);
    port.line->Script({{0, std::string(100, 'G')}});
    port.sio->ResetFrame();
    port.sio->BuildFrameByName("dev", true, 16, false);
    port.sio->Send();
    port.sio->m_rxLength = 40;
    const ReadOutcome got = port.sio->ReadPortion(1000);
    EXPECT_EQ(got.count, 8u);
    EXPECT_EQ(port.line->EventsOf(LineEventKind::Read).back().value, 8u);
    port.sio->m_rxLength = 48;
    EXPECT_EQ(port.sio->ReadPortion(5).count, 0u);
}

TEST(SioPort, CreateSioOpensOrLeavesNothing)
{
    std::unique_ptr<Sio> sio;
    EXPECT_EQ(CreateSio(TestSettings(), &sio, std::make_unique<InProcessLine>()), SIO_OK);
    ASSERT_TRUE(sio);
    EXPECT_TRUE(sio->IsOpen());

    LineFailures open;
    open.open = true;
    EXPECT_EQ(CreateSio(TestSettings(), &sio, std::make_unique<InProcessLine>(nullptr, open)), SIO_CANNOT_OPEN);
    EXPECT_FALSE(sio);

    CommSettings nine = TestSettings();
    nine.byte_size = 9;
    EXPECT_EQ(CreateSio(nine, &sio, std::make_unique<InProcessLine>()), SIO_BAD_DATA_BITS);
    EXPECT_FALSE(sio);
    EXPECT_EQ(CreateSio(TestSettings(), nullptr, std::make_unique<InProcessLine>()), SIO_CANNOT_OPEN);
}

}  // namespace
