// The form of a timestamp, the same on every platform; the clocks are in
// SystemClock.cpp and win32/SystemClockWin32.cpp.
#include <cstdio>
#include <cstdlib>

#include "platform/Clock.h"

std::string FormatTimestamp(const LocalTime& time, int offsetMinutes)
{
    char text[40];
    const int offset = std::abs(offsetMinutes);
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", time.year, time.month, time.day,
                  time.hour, time.minute, time.second, offsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60);
    return text;
}
