#pragma once
// The serial ports the system's device map lists.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

// Where Windows lists the serial ports present.
inline constexpr const wchar_t* kSerialCommKey = L"HARDWARE\\DEVICEMAP\\SERIALCOMM\\";

// The port names (the REG_SZ data of the key's values) in the order of
// enumeration, duplicates kept; empty texts, other types and names too long
// for the buffers are skipped. nullopt when the key cannot be opened.
std::optional<std::vector<std::string>> SerialPortNames(HKEY root, const wchar_t* keyPath);

// The longest port name taken; the data buffer is 260 bytes with the
// terminating zero.
inline constexpr std::size_t kMaxPortNameLength = 129;
