#include <gtest/gtest.h>

#include <regex>

#include "platform/Clock.h"

// Offsets west of UTC and by half hours are where a sign or a division
// goes wrong.
TEST(Timestamp, CarriesTheOffsetFromUtcWithItsSign)
{
    const LocalTime time{2009, 3, 5, 7, 4, 9};
    EXPECT_EQ(FormatTimestamp(time, 180), "2009-03-05T07:04:09+03:00");
    EXPECT_EQ(FormatTimestamp(time, 0), "2009-03-05T07:04:09+00:00");
    EXPECT_EQ(FormatTimestamp(time, -210), "2009-03-05T07:04:09-03:30");
    EXPECT_EQ(FormatTimestamp(time, 345), "2009-03-05T07:04:09+05:45");
    EXPECT_TRUE(std::regex_match(LocalTimestamp(), std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d)")))
        << LocalTimestamp();
}
