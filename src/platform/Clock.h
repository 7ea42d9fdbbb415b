#pragma once
// The PC's local time, behind a seam so tests can fix it.

#include <memory>

struct LocalTime {
    int year = 0;    // e.g. 2009
    int month = 0;   // 1..12
    int day = 0;     // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalTime Now() = 0;
};

std::unique_ptr<Clock> MakeSystemClock();
