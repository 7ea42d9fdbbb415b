#include <ctime>

#include "platform/Clock.h"

namespace {

class SystemClock final : public Clock {
public:
    LocalTime Now() override
    {
        const std::time_t now = std::time(nullptr);
        std::tm local {};
        if (::localtime_r(&now, &local) == nullptr)
            return {};
        return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                local.tm_hour, local.tm_min, local.tm_sec};
    }
};

}  // namespace

std::unique_ptr<Clock> MakeSystemClock()
{
    return std::make_unique<SystemClock>();
}

std::string LocalTimestamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    if (::localtime_r(&now, &local) == nullptr)
        return {};
    return FormatTimestamp({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                            local.tm_sec},
                           static_cast<int>(local.tm_gmtoff / 60));
}
