#pragma once
// Words of the port descriptions (the port names' tooltips, mirrex-cli
// ports); the rest of a description is what the device says of itself. UTF-8.

namespace texts {

inline constexpr const char* kPortOnBoard = "Встроенный порт";
inline constexpr const char* kPortPciCard = "Порт платы PCI";
inline constexpr const char* kPortUsbAdapter = "USB-адаптер";
inline constexpr const char* kPortAddress = "адрес ";
inline constexpr const char* kPortSerialNumber = "SN ";
inline constexpr const char* kPortOfAdapter = "порт ";

}  // namespace texts
