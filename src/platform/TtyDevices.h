#pragma once
// The terminals that have a real device behind them, as sysfs shows them:
// on-board and PCI UARTs that found a chip, SoC UARTs, USB serial adapters
// of any driver. Virtual terminals, consoles and pseudo-terminals have no
// device; a UART driver's phantom ports report no chip. Each comes with a
// description an engineer recognises.

#include <cstdint>
#include <string>
#include <vector>

enum class TtyBus : uint8_t { OnBoard, Pci, Usb };

struct TtyDevice {
    std::string name;  // "ttyUSB0"
    TtyBus bus = TtyBus::OnBoard;
    // USB only: vendor, product, serial number and interface. Two adapters
    // with the same identity cannot be told apart by what they say of
    // themselves, only by the socket they are plugged into.
    std::string usbIdentity;
    // "Встроенный порт, адрес 0x3F8 (ttyS0)", "USB-RS485 converter, SN A1B2C3 (ttyUSB0)".
    std::string description;
};

// Reads sysClassTty (/sys/class/tty); sorted by name.
std::vector<TtyDevice> FindTtyDevices(const std::string& sysClassTty);

// Makes a text a device reported fit to show: valid UTF-8, no control
// characters, blanks trimmed, at most maxCharacters long.
std::string CleanDeviceString(std::string_view raw, std::size_t maxCharacters = 64);
