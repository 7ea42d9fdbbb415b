#include <gtest/gtest.h>

#include "ProtocolTestKit.h"

namespace {

const uint16_t kDevId = 0xD681;
const uint16_t kInfoId = 0xFC6C;

void ScriptTimes(InProcessLine& line, const std::string& text, int times)
{
    for (int i = 0; i < times; ++i) line.Script({{2, text}});
}

std::vector<uint32_t> AskedPerRead(const InProcessLine& line)
{
    std::vector<uint32_t> asked;
    for (const LineEvent& read : line.EventsOf(LineEventKind::Read)) asked.push_back(read.value);
    return asked;
}

TEST(RequestLayer, ReadsTheModelNameLastCharacterFirst)
{
    WiredPort port;
    ASSERT_EQ(port.openStatus, SIO_OK);
    std::vector<uint8_t> data;
    EXPECT_EQ(port.Transfer("dev", 1, &data), PROTO_OK);
    EXPECT_EQ(std::string(data.begin(), data.end()), "14XLK");
    EXPECT_EQ(port.Transmissions(), 1u);
    EXPECT_EQ(port.pauses, (std::vector<uint32_t>{5}));
    EXPECT_EQ(port.line->Requests().front(), "#HGHGTMOHPGMO\r");
}

TEST(RequestLayer, SilentDeviceCostsThreeAttemptsAndAllPauses)
{
    WiredPort port;
    port.device.AddFault({0, 0, 3, {DeviceFault::Silence}});
    std::vector<uint8_t> data{1, 2};
    EXPECT_EQ(port.Transfer("dev", 1, &data), PROTO_NO_ANSWER);
    EXPECT_EQ(port.Transmissions(), 3u);
    EXPECT_EQ(port.pauses, (std::vector<uint32_t>{5, 10, 20, 30}));
    const auto reads = port.line->EventsOf(LineEventKind::Read);
    ASSERT_EQ(reads.size(), 3u);
    for (const LineEvent& read : reads) EXPECT_TRUE(read.endedEmpty);
    EXPECT_EQ(data, (std::vector<uint8_t>{1, 2}));  // a failure leaves the caller's data alone
    // Every transmission starts by discarding what the port holds.
    EXPECT_EQ(port.line->EventsOf(LineEventKind::Purge).size(), 1u + 3u);
}

TEST(RequestLayer, BadCrcThenSuccessBecauseEachAttemptStartsAfresh)
{
    WiredPort port;
    port.device.AddFault({kDevId, 0, 1, {DeviceFault::BadCrc}});
    std::vector<uint8_t> data;
    EXPECT_EQ(port.Transfer("dev", 1, &data), PROTO_OK);
    EXPECT_EQ(std::string(data.begin(), data.end()), "14XLK");
    EXPECT_EQ(port.Transmissions(), 2u);
    EXPECT_EQ(port.pauses, (std::vector<uint32_t>{5, 10}));
}

TEST(RequestLayer, NerrIsAskedOnceOnly)
{
    WiredPort port;
    std::vector<uint8_t> data;
    EXPECT_EQ(port.Transfer("xyz", 1, &data), PROTO_NERR);
    EXPECT_EQ(port.Transmissions(), 1u);
    EXPECT_EQ(port.pauses, (std::vector<uint32_t>{5}));

    port.device.AddFault({kDevId, 0, 1, {DeviceFault::Nerr}});
    EXPECT_EQ(port.Transfer("dev", 1, &data), PROTO_NERR);
    EXPECT_EQ(port.Transmissions(), 2u);
}

TEST(RequestLayer, SplitAnswerIsCompletedByTheSecondRead)
{
    WiredPort port;
    port.device.AddFault({kDevId, 0, 1, {DeviceFault::Split, 10, 45}});
    std::vector<uint8_t> data;
    EXPECT_EQ(port.Transfer("dev", 1, &data), PROTO_OK);
    EXPECT_EQ(std::string(data.begin(), data.end()), "14XLK");
    // 24 characters: 10 in the first read, exactly the 14 missing in the second.
    EXPECT_EQ(AskedPerRead(*port.line), (std::vector<uint32_t>{14, 14}));
    EXPECT_EQ(port.Transmissions(), 1u);
}

TEST(RequestLayer, TooSlowAnswerWithDataStaysIncomplete)
{
    WiredPort port;
    port.device.AddFault({kDevId, 0, 3, {DeviceFault::Split, 3, 45}});
    std::vector<uint8_t> data;
    EXPECT_EQ(port.Transfer("dev", 1, &data), PROTO_NO_ANSWER);
    // Fewer than five characters came first, so the data length was unknown:
    // the second read asks only for the rest of 14.
    EXPECT_EQ(AskedPerRead(*port.line), (std::vector<uint32_t>{14, 11, 14, 11, 14, 11}));
    EXPECT_EQ(port.Transmissions(), 3u);
}

// Area transfers read on while an answer keeps coming: a pause after the
// first 14 characters, or before the data length was known, no longer
// loses an answer the device has already acted on.
TEST(RequestLayer, AnAnswerThatPausesLateIsReadOnWhenToldTo)
{
    for (uint32_t splitAt : {3u, 18u}) {
        WiredPort port;
        port.sio->FollowLateAnswers(true);
        port.device.AddFault({kDevId, 0, 1, {DeviceFault::Split, splitAt, 45}});
        std::vector<uint8_t> data;
        EXPECT_EQ(port.Transfer("dev", 1, &data), PROTO_OK) << splitAt;
        EXPECT_EQ(std::string(data.begin(), data.end()), "14XLK");
        EXPECT_EQ(port.Transmissions(), 1u);
        // 24 characters in all; the third read asks for what is still missing.
        const std::vector<uint32_t> asked = splitAt == 3 ? std::vector<uint32_t>{14, 11, 10}
                                                         : std::vector<uint32_t>{14, 10, 6};
        EXPECT_EQ(AskedPerRead(*port.line), asked) << splitAt;

        // Told no more, the same answer is lost as before.
        port.sio->FollowLateAnswers(false);
        port.device.AddFault({kDevId, 0, 3, {DeviceFault::Split, splitAt, 45}});
        EXPECT_NE(port.Transfer("dev", 1, &data), PROTO_OK) << splitAt;
    }
}

TEST(RequestLayer, AnswerAfterTheReadTimeOutIsNoAnswer)
{
    DeviceModelConfig config;
    config.turnaroundMs = 2000;  // beyond all three read time-outs
    WiredPort port(config);
    std::vector<uint8_t> data;
    EXPECT_EQ(port.Transfer("dev", 1, &data), PROTO_NO_ANSWER);
    EXPECT_EQ(port.Transmissions(), 3u);
    for (const LineEvent& read : port.line->EventsOf(LineEventKind::Read)) EXPECT_EQ(read.text, "");
}

// At 2400 bit/s a block takes 183 ms to send. A device that needs 350 ms
// before it answers is within the answer's time-out only if the time-out
// counts from the end of the request; counted from the start, the PC gives
// up, sends the block again, and the device (which hears while it answers)
// takes it twice while the PC sees success.
TEST(RequestLayer, SlowDeviceGetsABlockOnceBecauseTheTimeOutStartsAfterTheRequest)
{
    DeviceModelConfig config;
    config.turnaroundMs = 350;
    WiredPort port(config, TestSettings(1, 2400));
    ASSERT_EQ(port.openStatus, SIO_OK);
    std::vector<uint8_t> none;
    std::vector<uint8_t> area{64};
    ASSERT_EQ(port.Transfer("P.A.R.E.", 0, &area), PROTO_OK);
    ASSERT_EQ(port.Transfer("P.W.R.T.", 0, &none), PROTO_OK);
    std::vector<uint8_t> block(15, 0x5A);
    EXPECT_EQ(port.Transfer("P.W.R.T.", 0, &block), PROTO_OK);
    EXPECT_EQ(port.Transmissions(), 3u);
    port.line->Advance(1000);  // whatever is still on its way ends before the next request
    ASSERT_EQ(port.Transfer("P.C.L.R.", 1, &none), PROTO_OK);
    EXPECT_EQ(port.device.Area(64), std::vector<uint8_t>(15, 0x5A));
}

TEST(RequestLayer, FrameStatusesMapToRequestStatuses)
{
    struct Case {
        const char* what;
        std::string answer;
        int expected;
        size_t transmissions;
    };
    std::string badCrc = AnswerText(kDevId, {1});
    badCrc[badCrc.size() - 2] = badCrc[badCrc.size() - 2] == 'G' ? 'H' : 'G';
    std::string badLength = AnswerText(kDevId, {});
    badLength[4] = 'H';
    const Case cases[] = {
        {"ok", AnswerText(kDevId, {7}), PROTO_OK, 1},
        {"nErr", AnswerText(kNerrHash, {1}), PROTO_NERR, 1},
        {"other identifier", AnswerText(0x2D5B, {}), PROTO_BAD_ANSWER, 3},
        {"bad crc", badCrc, PROTO_BAD_CRC, 3},
        {"odd length", "#GGGGGGGGGGG\r", PROTO_BAD_ANSWER, 3},
        {"bad character", "#GGGGxGGGGGGG\r", PROTO_BAD_ANSWER, 3},
        {"bad data length", badLength, PROTO_BAD_ANSWER, 3},
    };
    for (const Case& c : cases) {
        WiredPort port;
        ScriptTimes(*port.line, c.answer, 3);
        std::vector<uint8_t> data;
        EXPECT_EQ(port.Transfer("dev", 1, &data), c.expected) << c.what;
        EXPECT_EQ(port.Transmissions(), c.transmissions) << c.what;
    }
}

TEST(RequestLayer, NoBeginIsJudgedAgainstTheAnswerBuffersOldContent)
{
    {
        WiredPort port;
        ScriptTimes(*port.line, "xAxxxxxxxxxxxA", 3);  // [1] equals [13]
        EXPECT_EQ(port.sio->TransferByName("dev", 1, 16, false, nullptr, nullptr), PROTO_NO_ANSWER);
    }
    {
        WiredPort port;
        ScriptTimes(*port.line, "xAxxxxxxxxxxxB", 3);
        EXPECT_EQ(port.sio->TransferByName("dev", 1, 16, false, nullptr, nullptr), PROTO_BAD_ANSWER);
    }
    {
        // A two-character answer: position 13 still holds the carriage return
        // of the previous, complete answer.
        WiredPort port;
        ASSERT_EQ(port.sio->TransferByName("P.C.L.R.", 1, 16, false, nullptr, nullptr), PROTO_OK);
        ScriptTimes(*port.line, "x\r", 3);
        EXPECT_EQ(port.sio->TransferByName("dev", 1, 16, false, nullptr, nullptr), PROTO_NO_ANSWER);
    }
}

TEST(RequestLayer, RefusedArgumentsSendNothing)
{
    WiredPort port;
    uint8_t buffer[16] = {9};
    uint32_t length = 1;
    uint32_t tooLong = 16;
    uint32_t value = 77;
    EXPECT_EQ(port.sio->TransferByName(nullptr, 1, 16, false, buffer, &length), PROTO_BAD_ARGUMENT);
    EXPECT_EQ(port.sio->TransferByName("dev", 1, 16, false, buffer, nullptr), PROTO_BAD_ARGUMENT);
    EXPECT_EQ(port.sio->TransferByName("dev", 1, 16, false, nullptr, &length), PROTO_BAD_ARGUMENT);
    EXPECT_EQ(port.sio->TransferByName("dev", 1, 16, false, buffer, &tooLong), PROTO_BAD_ARGUMENT);
    EXPECT_EQ(port.sio->TransferByHash(kDevId, 1, 16, false, buffer, &tooLong), PROTO_BAD_ARGUMENT);
    EXPECT_EQ(port.sio->ReadValue(nullptr, 16, false, &value, -1), PROTO_BAD_ARGUMENT);
    EXPECT_EQ(port.sio->ReadValue("P.I.N.F.", 16, false, nullptr, -1), PROTO_BAD_ARGUMENT);
    EXPECT_EQ(port.Transmissions(), 0u);
    EXPECT_TRUE(port.pauses.empty());
    EXPECT_EQ(tooLong, 16u);
    EXPECT_EQ(buffer[0], 9);
    EXPECT_EQ(value, 77u);
}

TEST(RequestLayer, TransferWithoutBufferSendsNoDataAndDropsTheAnswer)
{
    WiredPort port;
    EXPECT_EQ(port.sio->TransferByName("dev", 1, 16, false, nullptr, nullptr), PROTO_OK);
    EXPECT_EQ(port.line->Requests().front().size(), 14u);
}

TEST(RequestLayer, RequestBitFollowsTheFlagsLowestByte)
{
    WiredPort port;
    ScriptTimes(*port.line, AnswerText(kDevId, {}), 2);
    port.sio->TransferByHash(kDevId, 0x100, 16, false, nullptr, nullptr);
    port.sio->TransferByHash(kDevId, 0x101, 16, false, nullptr, nullptr);
    const auto requests = port.line->Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].substr(3, 2), "GG");  // byte 1 = 0x00
    EXPECT_EQ(requests[1].substr(3, 2), "HG");  // byte 1 = 0x10
}

TEST(RequestLayer, WriteCarriesTheDataAndReturnsTheAnswersData)
{
    WiredPort port;
    std::vector<uint8_t> clock{9, 11, 30, 23, 59, 58, 0x61};
    EXPECT_EQ(port.Transfer("rtC", 0, &clock), PROTO_OK);
    EXPECT_TRUE(clock.empty());  // the device acknowledges without data
    EXPECT_EQ(port.device.Clock(), (std::array<uint8_t, 7>{9, 11, 30, 23, 59, 58, 0x61}));
    std::vector<uint8_t> back;
    EXPECT_EQ(port.Transfer("rtC", 1, &back), PROTO_OK);
    EXPECT_EQ(back, (std::vector<uint8_t>{9, 11, 30, 23, 59, 58, 0x61}));
}

TEST(RequestLayer, ReadValueIsBigEndian)
{
    WiredPort port;
    port.line->Script({{2, AnswerText(kInfoId, {0x00, 0x00, 0x01, 0x2C})}});
    uint32_t value = 0;
    EXPECT_EQ(port.sio->ReadValue("P.I.N.F.", 16, false, &value, -1), PROTO_OK);
    EXPECT_EQ(value, 300u);
    EXPECT_EQ(port.line->Requests().back().substr(3, 2), "HG");  // read request, no data

    // With an index the device repeats it in the last two bytes.
    port.line->Script({{2, AnswerText(kInfoId, {0x01, 0x2C, 0x00, 0x05})}});
    EXPECT_EQ(port.sio->ReadValue("P.I.N.F.", 16, false, &value, 5), PROTO_OK);
    EXPECT_EQ(value, 300u);
    EXPECT_EQ(port.line->Requests().back().size(), 18u);

    // Of more than four bytes only the last four count.
    port.line->Script({{2, AnswerText(kInfoId, {0xAA, 0x12, 0x34, 0x56, 0x78})}});
    EXPECT_EQ(port.sio->ReadValue("P.I.N.F.", 16, false, &value, -1), PROTO_OK);
    EXPECT_EQ(value, 0x12345678u);

    // Fewer bytes than the echoed index: no value bytes at all.
    port.line->Script({{2, AnswerText(kInfoId, {0x01})}});
    EXPECT_EQ(port.sio->ReadValue("P.I.N.F.", 16, false, &value, 5), PROTO_OK);
    EXPECT_EQ(value, 0u);
}

TEST(RequestLayer, ElevenBitRequestsReachAnElevenBitDevice)
{
    DeviceModelConfig config;
    config.address = 1001;
    config.elevenBit = true;
    WiredPort port(config);
    uint8_t buffer[16];
    uint32_t length = 0;
    EXPECT_EQ(port.sio->TransferByName("dev", 1, 1001, true, buffer, &length), PROTO_OK);
    EXPECT_EQ(length, 5u);
    EXPECT_EQ(port.sio->TransferByName("dev", 1, 1001, false, buffer, &length), PROTO_NO_ANSWER);

    // 1000 is 125 in its high eight bits and 0 in its low three: the same
    // frame as an 8-bit request to 125.
    config.address = 1000;
    WiredPort thousand(config);
    EXPECT_EQ(thousand.sio->TransferByName("dev", 1, 125, false, buffer, &length), PROTO_OK);
}

}  // namespace
