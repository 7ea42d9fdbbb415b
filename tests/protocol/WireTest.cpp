#include <gtest/gtest.h>

#include "Wire.h"

namespace {

constexpr LineFormat k8N1 {115200, LineParity::None, LineStopBits::One, 8};

LineFormat With(uint32_t baud, LineParity parity, LineStopBits stopBits, uint8_t dataBits = 8)
{
    return {baud, parity, stopBits, dataBits};
}

struct Heard {
    std::string text;
    int errors = 0;
    std::vector<double> times;
};

// Sends text back to back from time 0 and lets the receiver take it all.
Heard Across(const std::string& text, const LineFormat& sender, const LineFormat& receiver)
{
    Wire wire;
    for (const char c : text) wire.Send(c, 0.0, sender);
    Heard heard;
    for (const WireCharacter& received : wire.Receive(1e9, receiver)) {
        heard.text.push_back(received.c);
        heard.errors += received.error ? 1 : 0;
        heard.times.push_back(received.atUs);
    }
    return heard;
}

const std::string kRequest = "#HGHGTMOHPGMO\r";

TEST(Wire, SameFormatPassesEveryCharacterInItsTime)
{
    const Heard heard = Across(kRequest, k8N1, k8N1);
    EXPECT_EQ(heard.text, kRequest);
    EXPECT_EQ(heard.errors, 0);
    ASSERT_EQ(heard.times.size(), kRequest.size());
    EXPECT_NEAR(heard.times.back(), 14 * 10 * 1e6 / 115200, 0.01);

    const LineFormat sevenOdd = With(2400, LineParity::Odd, LineStopBits::Two, 7);
    EXPECT_EQ(Across(kRequest, sevenOdd, sevenOdd).text, kRequest);

    // Characters sent later start later; the line rests in between.
    Wire wire;
    wire.Send('#', 0.0, k8N1);
    EXPECT_NEAR(wire.Send('G', 1000.0, k8N1), 1000.0 + 10 * 1e6 / 115200, 0.01);
    EXPECT_EQ(wire.Receive(1000.0, k8N1).size(), 1U);
    EXPECT_EQ(wire.Receive(2000.0, k8N1).size(), 1U);
}

TEST(Wire, AStopBitMoreOrLessIsOnlyAPause)
{
    const LineFormat twoStop = With(115200, LineParity::None, LineStopBits::Two);
    EXPECT_EQ(Across(kRequest, twoStop, k8N1).text, kRequest);
    const Heard heard = Across(kRequest, k8N1, twoStop);
    EXPECT_EQ(heard.text, kRequest);
    EXPECT_EQ(heard.errors, 0);
}

TEST(Wire, AnotherRateOrFormatGivesGarbage)
{
    const LineFormat cases[] = {
        With(19200, LineParity::None, LineStopBits::One),
        With(9600, LineParity::None, LineStopBits::One),
        With(115200, LineParity::Even, LineStopBits::One),
        With(115200, LineParity::Odd, LineStopBits::One),
        With(115200, LineParity::None, LineStopBits::One, 7),
    };
    for (const LineFormat& other : cases) {
        for (const auto& [sender, receiver] : {std::pair(other, k8N1), std::pair(k8N1, other)}) {
            const Heard heard = Across(kRequest, sender, receiver);
            EXPECT_TRUE(heard.text != kRequest || heard.errors > 0)
                << sender.baudRate << " to " << receiver.baudRate << " parity " << int(other.parity);
            EXPECT_EQ(heard.text.find("#HGHG"), std::string::npos);
        }
    }
}

TEST(Wire, HungUpLineCarriesNothing)
{
    const LineFormat hungUp = With(0, LineParity::None, LineStopBits::One);
    EXPECT_TRUE(Across(kRequest, hungUp, k8N1).text.empty());
    EXPECT_TRUE(Across(kRequest, k8N1, hungUp).text.empty());
}

}  // namespace
