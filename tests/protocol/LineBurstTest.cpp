// The simulated line's bursts of noise: when they come, and that inside
// one no character passes unharmed while outside every one does.
#include <gtest/gtest.h>

#include <cmath>

#include "LineBurst.h"

TEST(LineBurst, SpoilsEveryCharacterInsideItsBurstsAndNoneOutside)
{
    LineBurst burst({200, 5000, 3});
    int lost = 0;
    int garbled = 0;
    for (double atUs = 0; atUs < 20e6; atUs += 87) {
        const double intoPeriodMs = std::fmod(atUs / 1000.0, 5000.0);
        const bool inside = atUs >= 5e6 && intoPeriodMs < 200.0;
        EXPECT_EQ(burst.Active(atUs), inside) << atUs;
        const std::optional<char> passed = burst.Pass('K', atUs);
        if (!inside) {
            ASSERT_EQ(passed, std::optional<char>('K')) << atUs;
        } else if (!passed) {
            ++lost;
        } else {
            ASSERT_NE(*passed, 'K') << atUs;
            ++garbled;
        }
    }
    // Both happen, in about equal shares.
    EXPECT_GT(lost, 2000);
    EXPECT_GT(garbled, 2000);

    LineBurst none({});
    EXPECT_EQ(none.Pass('K', 5e6), std::optional<char>('K'));
}
