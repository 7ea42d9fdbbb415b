// libFuzzer target: arbitrary request characters into the device model.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "DeviceModel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static DeviceModel device;
    static uint64_t now = 0;
    device.Receive(std::string_view(reinterpret_cast<const char*>(data), size), now += 10);
    return 0;
}
