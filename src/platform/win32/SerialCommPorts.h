#pragma once
// The serial ports the system's device map lists.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

// Where Windows lists the serial ports present.
inline constexpr const wchar_t* kSerialCommKey = L"HARDWARE\\DEVICEMAP\\SERIALCOMM\\";

struct SerialPortName {
    std::string name;      // the value's REG_SZ data: "COM3"
    std::string mapEntry;  // the value's name, the driver's device: \Device\Serial0

    friend bool operator==(const SerialPortName&, const SerialPortName&) = default;
};

// The ports (the REG_SZ data of the key's values, with the values' names)
// in the order of enumeration, duplicates kept; empty texts, other types
// and names too long for the buffers are skipped. nullopt when the key
// cannot be opened.
std::optional<std::vector<SerialPortName>> SerialPortNames(HKEY root, const wchar_t* keyPath);

// The longest port name taken; the data buffer is 260 bytes with the
// terminating zero.
inline constexpr std::size_t kMaxPortNameLength = 129;
