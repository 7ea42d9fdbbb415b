// The busy-loop calibration of the semi-automatic mode finds the count the
// step-by-step rule finds, on loops of any speed, in a few dozen runs, and
// a run made long by the system does not pull it down.
#include <gtest/gtest.h>

#include <set>

#include "StepwiseCalibration.h"

namespace {

// A loop whose time grows linearly with its count after a fixed cost (the
// blank the lead calibration sends, the clock's own cost), counting runs.
struct LinearLoop {
    LinearLoop(double fixed, double perMs) : fixedMs(fixed), countsPerMs(perMs) {}
    double fixedMs;
    double countsPerMs;
    int runs = 0;
    std::set<int> slowRuns;  // these runs take 20 ms longer
    double operator()(int32_t count)
    {
        const double time = fixedMs + count / countsPerMs + (slowRuns.count(runs) ? 20.0 : 0.0);
        ++runs;
        return time;
    }
};

int32_t Reference(double limitMs, LinearLoop loop)
{
    return StepwiseCalibrateCount(limitMs, [&](int32_t count) { return loop(count); }).count;
}

TEST(Calibration, FindsTheStepwiseCountOnLoopsOfEverySpeedInFewRuns)
{
    // Limits: the lead delay, and the character delay at 115200 ... 2400
    // bit/s; loops from an old slow processor to a fast one.
    for (double limit : {1.175, 0.12, 0.24, 1.44, 5.76}) {
        for (double countsPerMs : {8000.0, 250000.0, 1.0e6, 3.3e6, 9.0e6}) {
            for (double fixed : {0.0, 0.004, 0.09}) {
                LinearLoop loop{fixed, countsPerMs};
                const int32_t found = CalibrateCount(limit, [&](int32_t count) { return loop(count); });
                EXPECT_EQ(found, Reference(limit, LinearLoop{fixed, countsPerMs}))
                    << limit << " ms, " << countsPerMs << " counts/ms, " << fixed << " ms fixed";
                EXPECT_LE(loop.runs, 30) << limit << " " << countsPerMs;
            }
        }
    }
}

TEST(Calibration, AnOddSlowRunDoesNotLowerTheCount)
{
    const LinearLoop steady{0.01, 3.3e6};
    const int32_t expected = Reference(5.76, steady);
    for (int slow = 0; slow < 30; ++slow) {
        LinearLoop loop = steady;
        loop.slowRuns = {slow};
        EXPECT_GE(CalibrateCount(5.76, [&](int32_t count) { return loop(count); }), expected) << slow;
        EXPECT_LE(loop.runs, 40) << slow;
    }
}

TEST(Calibration, LoopsTooSlowOrTooFastForTheStepsEndAsTheStepwiseRuleEnds)
{
    // Already the first step is over the limit: settled on the second.
    LinearLoop slow{2.0, 1000.0};
    EXPECT_EQ(CalibrateCount(1.175, [&](int32_t count) { return slow(count); }), 10000);
    EXPECT_EQ(Reference(1.175, LinearLoop{2.0, 1000.0}), 10000);
    // No step reaches it: past the last step.
    LinearLoop fast{0.0, 1.0e12};
    EXPECT_EQ(CalibrateCount(1.175, [&](int32_t count) { return fast(count); }), 160005000);
    EXPECT_EQ(Reference(1.175, LinearLoop{0.0, 1.0e12}), 160005000);
}

}  // namespace
