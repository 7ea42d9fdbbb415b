#include "wizard/DeviceClock.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "device/DeviceLink.h"
#include "device/Prompts.h"
#include "platform/Clock.h"
#include "resources/DeviceTexts.h"

namespace {

constexpr uint16_t kClockHash = 0xFA30;
constexpr uint8_t kClockTrailer = 0x61;

void FillClockRequest(ParamRequest& request, const LocalTime& time)
{
    request.name = "rtC";
    request.hash = kClockHash;
    request.index = -1;
    request.data[0] = static_cast<uint8_t>(time.year - 2000);
    request.data[1] = static_cast<uint8_t>(time.month - 1);
    request.data[2] = static_cast<uint8_t>(time.day - 1);
    request.data[3] = static_cast<uint8_t>(time.hour);
    request.data[4] = static_cast<uint8_t>(time.minute);
    request.data[5] = static_cast<uint8_t>(time.second);
    request.data[6] = kClockTrailer;
    request.length = 7;
}

bool AskRetry(Prompts& prompts)
{
    MessageBoxRequest question{texts::kClockRetryQuestion, MsgIcon::Exclamation, MsgButtons::YesNo, false,
                               MsgCaption::Application};
    return prompts.Show(question) == MsgAnswer::Yes;
}

std::string ShownDeviceTime(const uint8_t* bytes)
{
    char when[32];
    std::snprintf(when, sizeof when, texts::kClockReadBackFormat, bytes[2] + 1, bytes[1] + 1, bytes[0] + 2000,
                  bytes[3], bytes[4], bytes[5]);
    char shown[128];
    std::snprintf(shown, sizeof shown, texts::kClockShownFormat, when);
    return shown;
}

}  // namespace

ClockOutcome SetDeviceClock(DeviceLink& link, Prompts& prompts, Clock& clock)
{
    // Taken once: every retry sends the time of the first attempt.
    const LocalTime now = clock.Now();
    ParamRequest request;
    for (;;) {
        FillClockRequest(request, now);
        link.WriteParam(&request);
        if (request.status != PROTO_NO_ANSWER) break;
        if (!AskRetry(prompts)) return ClockOutcome::RetryDeclined;
    }
    request.length = 0;
    std::memset(request.data, 0, 6);
    link.ReadParam(&request);
    const uint8_t* bytes = request.data;
    if (bytes[0] == 0 && bytes[3] == 0 && bytes[4] == 0 && bytes[5] == 0) {
        prompts.Show({texts::kClockFailed, MsgIcon::Exclamation, MsgButtons::Ok, false, MsgCaption::Application});
        return ClockOutcome::ReadBackFailed;
    }
    prompts.Show({ShownDeviceTime(bytes), MsgIcon::Information, MsgButtons::Ok, false, MsgCaption::Application});
    return ClockOutcome::Done;
}
