#pragma once
// Setting a speed that has no B-constant (14400, 28800 ...), and reading a
// terminal's format whatever its speed, need the kernel's termios2
// interface, whose header cannot share a translation unit with <termios.h>;
// they live in a file of their own.

#include <cstdint>
#include <optional>

#include "platform/SerialLine.h"

// Sets input and output speed of an open terminal to any rate; true on success.
bool SetArbitrarySpeed(int fd, uint32_t baudRate);

struct TerminalFormat {
    LineFormat format;  // baudRate 0: the line is hung up (B0)
    // Characters received with a framing or parity error are dropped
    // (IGNPAR); otherwise they arrive as NUL.
    bool dropsBadCharacters = false;
};

// The output speed and character format the terminal is set to; for a
// pseudo-terminal's master, those its slave was given, except the data
// bits, which a pseudo-terminal always reports as 8.
std::optional<TerminalFormat> ReadTerminalFormat(int fd);
