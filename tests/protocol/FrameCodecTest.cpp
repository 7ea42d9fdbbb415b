#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ProtocolTestKit.h"
#include "protocol/FrameCodec.h"

namespace {

uint16_t Hash(const std::string& name) { return NameHash(name.data(), name.size()); }

std::string TxText(const FrameCodec& codec) { return std::string(codec.m_txText, codec.m_txLength); }

// Puts an answer text into the receive buffer and scans it in one go.
int Scan(FrameCodec& codec, const std::string& text)
{
    codec.m_rxLength = 0;
    std::memcpy(codec.m_rxText, text.data(), std::min(text.size(), sizeof codec.m_rxText));
    return codec.ScanReceived(static_cast<uint32_t>(text.size()));
}

TEST(FrameCodec, CrcMatchesItsCheckValues)
{
    BuildCrcTable();
    EXPECT_EQ(CrcTableEntry(1), 0x8F57);
    EXPECT_EQ(CrcTableEntry(2), 0x91F9);
    EXPECT_EQ(CrcTableEntry(255), 0x182A);
    const char* digits = "123456789";
    EXPECT_EQ(Crc16(reinterpret_cast<const uint8_t*>(digits), 9), 0xB581);
    EXPECT_EQ(Crc16(nullptr, 0), 0);
}

TEST(FrameCodec, IdentifiersOfEveryNameTheSystemUses)
{
    EXPECT_EQ(Hash("dev"), 0xD681);
    EXPECT_EQ(Hash("ver"), 0x2D5B);
    EXPECT_EQ(Hash("rtC"), 0xFA30);
    EXPECT_EQ(Hash("P.C.L.R."), 0x01FA);
    EXPECT_EQ(Hash("P.A.R.E."), 0x0C14);
    EXPECT_EQ(Hash("P.I.N.F."), 0xFC6C);
    EXPECT_EQ(Hash("P.R.D.D."), 0x321A);
    EXPECT_EQ(Hash("P.W.R.T."), 0xA4D6);
    EXPECT_EQ(Hash("P.R.S.T."), 0xE69D);
    EXPECT_EQ(Hash("N.err"), kNerrHash);
}

TEST(FrameCodec, NameCodesCarryValueAndDotFlag)
{
    uint8_t codes[4] = {};
    ASSERT_TRUE(NameToCodes("P.C.L.R.", 8, codes));
    EXPECT_EQ(codes[0], 51);
    EXPECT_EQ(codes[1], 25);
    EXPECT_EQ(codes[2], 43);
    EXPECT_EQ(codes[3], 55);
    ASSERT_TRUE(NameToCodes("dev", 3, codes));
    EXPECT_EQ(codes[0], 26);
    EXPECT_EQ(codes[1], 28);
    EXPECT_EQ(codes[2], 62);
    EXPECT_EQ(codes[3], 78);
}

TEST(FrameCodec, NameHashEdgeCases)
{
    EXPECT_EQ(Hash("p.c.l.r."), Hash("P.C.L.R."));
    EXPECT_EQ(Hash("dev "), Hash("dev"));
    EXPECT_EQ(Hash("P.C.L.R. and more"), Hash("P.C.L.R."));
    EXPECT_EQ(Hash("ab  "), Hash("ab"));
    EXPECT_NE(Hash("-_/9"), 0);

    EXPECT_EQ(Hash(".dev"), 0);
    EXPECT_EQ(Hash("d..ev"), 0);
    EXPECT_EQ(Hash("abcde"), 0);
    EXPECT_EQ(Hash("ab   "), 0);
    EXPECT_EQ(Hash("ab x"), 0);
    EXPECT_EQ(Hash("d*v"), 0);
    EXPECT_EQ(Hash(""), 0);
    EXPECT_EQ(NameHash(nullptr, 3), 0);
    // The length bounds the walk: nothing after it is looked at.
    EXPECT_EQ(NameHash("devXYZ!", 3), Hash("dev"));
}

TEST(FrameCodec, BuildsTheWorkedExamples)
{
    FrameCodec codec;
    codec.ResetFrame();
    codec.BuildFrameByName("dev", true, 16, false);
    EXPECT_EQ(TxText(codec), "#HGHGTMOHPGMO\r");
    EXPECT_EQ(codec.m_frameLength, 6u);
    EXPECT_EQ(codec.m_sentHash, 0xD681);
    EXPECT_EQ(codec.m_computedCrc, 0x9068);

    codec.ResetFrame();
    codec.BuildFrameByName("dev", true, 1001, true);
    EXPECT_EQ(TxText(codec), "#NTJGTMOHSKKP\r");

    codec.ResetFrame();
    codec.m_data[0] = 0x28;
    codec.m_dataLength = 1;
    codec.BuildFrameByName("P.A.R.E.", false, 16, false);
    EXPECT_EQ(TxText(codec), "#HGGHGSHKIOTKQP\r");
    EXPECT_EQ(codec.m_txLength, 16u);
}

TEST(FrameCodec, InvalidNameStillBuildsWithIdentifierZero)
{
    FrameCodec codec;
    codec.ResetFrame();
    codec.BuildFrameByName("toolong", true, 16, false);
    EXPECT_EQ(codec.m_sentHash, 0);
    EXPECT_EQ(codec.m_txLength, 14u);
}

TEST(FrameCodec, ElevenBitAddressAndItsDecodedReading)
{
    FrameCodec codec;
    codec.ResetFrame();
    codec.BuildFrameByHash(0x1234, true, 1000, true);
    EXPECT_EQ(codec.m_frame[0], 0x7D);
    EXPECT_EQ(codec.m_frame[1] & 0xE0, 0);
    // An 11-bit address with low bits 0 reads back as an 8-bit one.
    EXPECT_EQ(Scan(codec, AnswerText(0x1234, {}, 1000, true)), FRAME_OK);
    EXPECT_EQ(codec.m_recvAddress, 125);
    EXPECT_EQ(Scan(codec, AnswerText(0x1234, {}, 1001, true)), FRAME_OK);
    EXPECT_EQ(codec.m_recvAddress, 1001);
}

TEST(FrameCodec, AppendIndexGuardsTheDataField)
{
    FrameCodec codec;
    codec.ResetFrame();
    EXPECT_TRUE(codec.AppendIndex(-1));
    EXPECT_EQ(codec.m_dataLength, 0u);
    EXPECT_TRUE(codec.AppendIndex(0x1234));
    EXPECT_EQ(codec.m_dataLength, 2u);
    EXPECT_EQ(codec.m_data[0], 0x12);
    EXPECT_EQ(codec.m_data[1], 0x34);
    codec.m_dataLength = 14;
    EXPECT_FALSE(codec.AppendIndex(7));
    EXPECT_EQ(codec.m_dataLength, 14u);
    codec.m_dataLength = 13;
    EXPECT_TRUE(codec.AppendIndex(7));
    EXPECT_EQ(codec.m_dataLength, 15u);
}

TEST(FrameCodec, DecodesAnswersWithAndWithoutData)
{
    FrameCodec codec;
    codec.ResetFrame();
    codec.BuildFrameByName("dev", true, 16, false);
    EXPECT_EQ(Scan(codec, AnswerText(0xD681, {})), FRAME_OK);
    EXPECT_EQ(codec.m_dataLength, 0u);
    EXPECT_EQ(codec.m_rxLength, 14u);

    std::vector<uint8_t> full(15);
    for (size_t i = 0; i < full.size(); ++i) full[i] = static_cast<uint8_t>(0xF0 + i);
    EXPECT_EQ(Scan(codec, AnswerText(0xD681, full)), FRAME_OK);
    ASSERT_EQ(codec.m_dataLength, 15u);
    EXPECT_EQ(0, std::memcmp(codec.m_data, full.data(), 15));
    EXPECT_EQ(codec.m_recvRequest, 0);
}

TEST(FrameCodec, DecodingStatusesInTheirOrder)
{
    FrameCodec codec;
    codec.ResetFrame();
    codec.BuildFrameByName("dev", true, 16, false);

    EXPECT_EQ(Scan(codec, AnswerText(0x1111, {})), FRAME_ID_MISMATCH);
    EXPECT_EQ(Scan(codec, AnswerText(kNerrHash, {3})), FRAME_NERR);

    std::string badCrc = AnswerText(kNerrHash, {3});
    badCrc[badCrc.size() - 2] = badCrc[badCrc.size() - 2] == 'G' ? 'H' : 'G';
    EXPECT_EQ(Scan(codec, badCrc), FRAME_BAD_CRC);

    // Byte 1 claims two data bytes, the text carries none: the length check
    // comes before the (also failing) CRC check.
    std::string longer = AnswerText(0xD681, {});
    longer[4] = 'I';
    EXPECT_EQ(Scan(codec, longer), FRAME_BAD_LENGTH);

    EXPECT_EQ(Scan(codec, "#HGHGTMOHPG\r"), FRAME_BAD_SIZE);     // 12 characters
    EXPECT_EQ(Scan(codec, "#HGHGTMOHPGM\r"), FRAME_BAD_SIZE);    // odd
    EXPECT_EQ(Scan(codec, "#HGH\r"), FRAME_BAD_SIZE);            // carriage return at 5
    EXPECT_EQ(Scan(codec, "HGHGTMOHPGMO\r"), FRAME_NO_BEGIN);
    EXPECT_EQ(Scan(codec, "#HGH#TMOHPGMO\r"), FRAME_BAD_CHAR);
    EXPECT_EQ(codec.m_rxLength, 4u);
    EXPECT_EQ(Scan(codec, "#HGHgTMOHPGMO\r"), FRAME_BAD_CHAR);
    EXPECT_EQ(Scan(codec, "#HGHGW"), FRAME_BAD_CHAR);
}

TEST(FrameCodec, ScanStopsAtFortyFourCharacters)
{
    FrameCodec codec;
    codec.ResetFrame();
    std::string text = "#" + std::string(43, 'G');
    EXPECT_EQ(Scan(codec, text), FRAME_BAD_SIZE);
    EXPECT_EQ(codec.m_rxLength, 44u);

    // A carriage return in the buffer beyond 44 is never examined.
    std::string overlong = "#" + std::string(45, 'G') + "\r";
    EXPECT_EQ(Scan(codec, overlong), FRAME_BAD_SIZE);
    EXPECT_EQ(codec.m_rxLength, 44u);
    EXPECT_EQ(codec.ScanReceived(1000), FRAME_BAD_SIZE);
    EXPECT_EQ(codec.m_rxLength, 44u);
}

TEST(FrameCodec, ScanAcceptsAnAnswerPieceByPiece)
{
    FrameCodec codec;
    codec.ResetFrame();
    codec.BuildFrameByName("ver", true, 16, false);
    const std::string text = AnswerText(0x2D5B, {'0', '.', '1'});
    std::memcpy(codec.m_rxText, text.data(), text.size());
    codec.m_rxLength = 0;
    int status = FRAME_INCOMPLETE;
    for (size_t i = 0; i < text.size() && status == FRAME_INCOMPLETE; ++i)
        status = codec.ScanReceived(1);
    EXPECT_EQ(status, FRAME_OK);
    EXPECT_EQ(codec.m_rxLength, text.size());
    EXPECT_EQ(codec.m_dataLength, 3u);
}

TEST(FrameCodec, ResetKeepsTheTexts)
{
    FrameCodec codec;
    codec.ResetFrame();
    codec.BuildFrameByName("dev", true, 16, false);
    Scan(codec, AnswerText(0xD681, {1, 2}));
    codec.ResetFrame();
    EXPECT_EQ(codec.m_txLength, 0u);
    EXPECT_EQ(codec.m_rxLength, 0u);
    EXPECT_EQ(codec.m_dataLength, 0u);
    EXPECT_EQ(codec.m_recvHash, 0);
    EXPECT_EQ(codec.m_txText[0], '#');
    EXPECT_EQ(codec.m_rxText[0], '#');
    EXPECT_EQ(codec.m_data, codec.m_frame + 4);
}

}  // namespace
