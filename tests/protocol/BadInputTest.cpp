#include <gtest/gtest.h>

#include <random>
#include <set>

#include "ProtocolTestKit.h"

namespace {

const std::set<int> kRequestStatuses = {PROTO_OK, PROTO_NO_ANSWER, PROTO_BAD_CRC, PROTO_NERR, PROTO_BAD_ANSWER};
const std::set<int> kFrameStatuses = {FRAME_OK, FRAME_INCOMPLETE, FRAME_NERR, FRAME_ID_MISMATCH, FRAME_BAD_CRC,
                                      FRAME_BAD_SIZE, FRAME_NO_BEGIN, FRAME_BAD_CHAR, FRAME_BAD_LENGTH};

// Mostly frame letters, with the characters that matter to the scanner and
// some plain binary mixed in.
std::string RandomAnswer(std::mt19937& rng)
{
    std::uniform_int_distribution<int> length(0, 100);
    std::uniform_int_distribution<int> kind(0, 19);
    std::uniform_int_distribution<int> letter('G', 'V');
    std::uniform_int_distribution<int> byte(0, 255);
    std::string text;
    const int n = length(rng);
    if (kind(rng) < 15) text.push_back('#');
    for (int i = 0; i < n; ++i) {
        const int k = kind(rng);
        if (k < 16) text.push_back(static_cast<char>(letter(rng)));
        else if (k == 16) text.push_back('\r');
        else if (k == 17) text.push_back('#');
        else text.push_back(static_cast<char>(byte(rng)));
    }
    return text;
}

// How far into the answer buffer the reads of each exchange attempt were
// allowed to write: each read lands after what the ones before delivered.
std::vector<uint32_t> ReachPerAttempt(const InProcessLine& line)
{
    std::vector<uint32_t> reach;
    uint32_t position = 0;
    for (const LineEvent& e : line.Events()) {
        if (e.kind == LineEventKind::Write) {
            reach.push_back(0);
            position = 0;
        }
        if (e.kind == LineEventKind::Read && !reach.empty()) {
            reach.back() = std::max(reach.back(), position + e.value);
            position += static_cast<uint32_t>(e.text.size());
        }
    }
    return reach;
}

TEST(BadInput, NamedAnswersEndInAStatus)
{
    const std::string letters44 = "#" + std::string(43, 'H');
    const std::string cases[] = {
        "",                                // nothing
        "\r",                              // a lone carriage return
        "#\r",
        "#HGHG",                           // truncated
        letters44,                         // 44 characters without an end
        letters44 + "GGGGGGGGGGGGGGGG\r",  // overlong
        std::string("\0\xff\x80#HG\r", 7), // binary
        "garbage that is not a frame at all\r",
        "#" + std::string(13, 'G'),        // 14 characters, no end
        "#GGGVGGGGGGGGGGGGGGGGGGGGGGGGGGGGGGGGGGGGGGGGG\r",  // claims 15 bytes, too long a text
    };
    for (const std::string& answer : cases) {
        WiredPort port;
        for (int i = 0; i < 3; ++i) port.line->Script({{1, answer}});
        uint8_t buffer[16] = {};
        uint32_t length = 0;
        const int status = port.sio->TransferByName("dev", 1, 16, false, buffer, &length);
        EXPECT_TRUE(kRequestStatuses.count(status)) << status;
        EXPECT_NE(status, PROTO_OK);
        EXPECT_LE(port.sio->m_rxLength, kMaxFrameText);
        for (uint32_t reach : ReachPerAttempt(*port.line)) EXPECT_LE(reach, kMaxFrameText);
    }
}

TEST(BadInput, RandomAnswersThroughTheRequestLayer)
{
    std::mt19937 rng(20261207);
    WiredPort port;
    for (int round = 0; round < 400; ++round) {
        for (int i = 0; i < 3; ++i) port.line->Script({{1, RandomAnswer(rng)}, {30, RandomAnswer(rng)}});
        uint8_t buffer[16] = {};
        uint32_t length = round % 16;
        const int status = port.sio->TransferByHash(static_cast<uint16_t>(rng()), 1, 16, false, buffer, &length);
        ASSERT_TRUE(kRequestStatuses.count(status)) << status;
        ASSERT_LE(length, kMaxFrameData);
        ASSERT_LE(port.sio->m_rxLength, kMaxFrameText);
        port.line->Advance(1000);  // let what is left of the scripted answers arrive and be purged
    }
    for (uint32_t reach : ReachPerAttempt(*port.line)) ASSERT_LE(reach, kMaxFrameText);
}

TEST(BadInput, RandomTextsStraightIntoTheScanner)
{
    std::mt19937 rng(7);
    FrameCodec codec;
    for (int round = 0; round < 5000; ++round) {
        codec.ResetFrame();
        codec.m_sentHash = static_cast<uint16_t>(rng());
        const std::string text = RandomAnswer(rng);
        const size_t stored = std::min(text.size(), sizeof codec.m_rxText);
        std::copy_n(text.begin(), stored, codec.m_rxText);
        int status = FRAME_INCOMPLETE;
        // Feed in uneven portions, with counts that may overstate what is there.
        while (status == FRAME_INCOMPLETE && codec.m_rxLength < stored)
            status = codec.ScanReceived(1 + rng() % 20);
        ASSERT_TRUE(kFrameStatuses.count(status)) << status;
        ASSERT_LE(codec.m_rxLength, kMaxFrameText);
        ASSERT_LE(codec.m_dataLength, kMaxFrameData);
        ASSERT_LE(codec.m_frameLength, 21u);
    }
}

TEST(BadInput, RandomBytesIntoTheDeviceModel)
{
    std::mt19937 rng(99);
    DeviceModel device;
    for (int round = 0; round < 2000; ++round) {
        const std::string text = RandomAnswer(rng);
        for (const AnswerPiece& piece : device.Receive(text, round)) {
            ASSERT_GE(piece.text.size(), kMinFrameText);
            ASSERT_LE(piece.text.size(), kMaxFrameText);
        }
    }
}

}  // namespace
