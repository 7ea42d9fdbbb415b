#pragma once
// The calibration's counting rule as it was first written, one run per
// step: the reference that the port's faster search must agree with.

#include <cstdint>

#include "protocol/Sio.h"

struct StepwiseResult {
    int32_t count;
    int runs;
};

inline StepwiseResult StepwiseCalibrateCount(double limitMs, const CalibrationRun& run)
{
    int32_t count = 5000;
    double previous = 0.0;
    int pass = 0;
    for (; pass < 32000; ++pass) {
        const double elapsed = run(count);
        if (elapsed > limitMs && previous > limitMs) return {count, pass + 1};
        previous = elapsed;
        count += 5000;
    }
    return {count, pass};
}
