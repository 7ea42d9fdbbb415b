#pragma once
// The PC's local time, behind a seam so tests can fix it.

#include <memory>
#include <string>

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

// The moment now in the PC's local time, as ISO 8601 with the offset from
// UTC ("2009-03-05T07:04:09+03:00"): a record that is read on another PC
// or after the clocks have changed still says when it was.
std::string LocalTimestamp();

// "+03:00" for an offset east of UTC in minutes; the rest of a timestamp.
std::string FormatTimestamp(const LocalTime& time, int offsetMinutes);
