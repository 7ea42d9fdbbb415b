#pragma once
// The 212-byte record at the end of every configuration file, and held once
// in memory by DeviceLink. Moved between memory and file as one block.

#include <cstddef>
#include <cstdint>
#include <string>

constexpr uint32_t kConfigMagic = 0x20080909;

#pragma pack(push, 1)
struct ConfigHeader {
    uint32_t magic;
    uint32_t size0;
    uint32_t size16;
    uint32_t size40;
    uint32_t size64;
    char16_t deviceName[32];        // UTF-16LE, NUL-terminated when shorter than 32
    char16_t softwareVersion[64];   // UTF-16LE, NUL-terminated when shorter than 64
};
#pragma pack(pop)

static_assert(sizeof(ConfigHeader) == 212, "the header is 212 bytes on disk");

// The sizes of a configuration image the write job accepts: at least twice
// the header, at most what a device can hold.
constexpr std::size_t kSmallestImage = 2 * sizeof(ConfigHeader);
constexpr std::size_t kLargestImage = 500000;
static_assert(offsetof(ConfigHeader, deviceName) == 20);
static_assert(offsetof(ConfigHeader, softwareVersion) == 84);

// The texts up to their NUL, never beyond their field.
std::u16string HeaderDeviceName(const ConfigHeader& header);
std::u16string HeaderSoftwareVersion(const ConfigHeader& header);
// Stores a text with its NUL (cut to fit); units after the NUL stay as they are.
void SetHeaderDeviceName(ConfigHeader& header, const std::u16string& text);
void SetHeaderSoftwareVersion(ConfigHeader& header, const std::u16string& text);
