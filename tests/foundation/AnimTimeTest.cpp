#include "foundation/AnimTime.h"

#include <gtest/gtest.h>

// Tests that a frozen time holds for every reader until it is cleared.
TEST(AnimTime, FrozenTimeHoldsUntilClearedThenRealClockRuns)
{
    animSetTime(12345u);
    EXPECT_EQ(animTimeGetTime(), 12345u);
    utilSleep(20);
    EXPECT_EQ(animTimeGetTime(), 12345u);

    animSetTime(0);
    const uint32_t before = animTimeGetTime();
    utilSleep(30);
    const uint32_t elapsed = animTimeGetTime() - before;
    EXPECT_GE(elapsed, 25u);
    EXPECT_LT(elapsed, 5000u);
}
