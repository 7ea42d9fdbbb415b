#pragma once
// Setting a speed that has no B-constant (14400, 28800 ...) needs the
// kernel's termios2 interface, whose header cannot share a translation unit
// with <termios.h>; it lives in a file of its own.

#include <cstdint>

// Sets input and output speed of an open terminal to any rate; true on success.
bool SetArbitrarySpeed(int fd, uint32_t baudRate);
