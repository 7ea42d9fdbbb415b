#include <windows.h>

#include "platform/Clock.h"

namespace {

class SystemClock final : public Clock {
public:
    LocalTime Now() override
    {
        SYSTEMTIME local {};
        ::GetLocalTime(&local);
        return {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
    }
};

}  // namespace

std::unique_ptr<Clock> MakeSystemClock()
{
    return std::make_unique<SystemClock>();
}

std::string LocalTimestamp()
{
    SYSTEMTIME utc {};
    SYSTEMTIME local {};
    ::GetSystemTime(&utc);
    if (!::SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
        return {};
    FILETIME utcTicks {};
    FILETIME localTicks {};
    ::SystemTimeToFileTime(&utc, &utcTicks);
    ::SystemTimeToFileTime(&local, &localTicks);
    auto ticks = [](const FILETIME& time) {
        return static_cast<long long>((static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
    };
    // 100-nanosecond ticks, rounded to whole minutes.
    const long long difference = ticks(localTicks) - ticks(utcTicks);
    const int minutes = static_cast<int>((difference + (difference >= 0 ? 300000000LL : -300000000LL)) / 600000000LL);
    return FormatTimestamp({local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond}, minutes);
}
