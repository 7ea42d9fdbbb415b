#pragma once
#include <cstdint>

// How the PC reaches the device. Field names are the names of the stored
// values, misspelling of adress_len included, because stored settings and
// the settings pages rely on them.
struct CommSettings {
    uint32_t com = 0;        // serial port number, 1 for COM1
    uint16_t address = 0;    // device address
    uint8_t adress_len = 0;  // 8, or anything else for 11-bit addressing
    uint8_t converter = 0;   // 1 automatic, 0 semi-automatic (RTS switched by us)
    uint32_t baud_rate = 0;
    uint32_t parity = 0;     // 0 none, 1 odd, 2 even
    uint32_t stop_bits = 0;  // 0 one, 1 one and a half, 2 two
    uint8_t byte_size = 0;   // data bits
    uint8_t rs_type = 0;     // 0 RS-232, 1 RS-485

    friend bool operator==(const CommSettings&, const CommSettings&) = default;
};

// The rates a port opens at; any other stored rate opens at 115200.
inline constexpr uint32_t kBaudRates[] = {2400, 4800, 9600, 14400, 19200, 28800, 38400, 57600, 115200};

// The defaults of a first run.
CommSettings DefaultCommSettings();
