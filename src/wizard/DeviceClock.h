#pragma once
// Writing the PC's local time into the device's clock parameter "rtC" after
// a configuration has been written, with the retry question and read-back.

class DeviceLink;
class Prompts;
class Clock;

enum class ClockOutcome { Done, RetryDeclined, ReadBackFailed };

ClockOutcome SetDeviceClock(DeviceLink& link, Prompts& prompts, Clock& clock);
