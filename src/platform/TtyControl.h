#pragma once
// The driver calls a serial line makes beyond termios: waiting for the
// output to drain, the low-latency flag, the RS-485 direction switching and
// a USB adapter's latency timer. Drivers differ in which they have (a
// pseudo-terminal has none but the drain), and a driver that lacks one is
// no error: the line then works without it. A seam, so that tests can play
// drivers that have them.

#include <linux/serial.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class TtyControl {
public:
    virtual ~TtyControl() = default;

    // tcdrain(): false (errno set) when the wait failed. It has no time
    // limit, so it serves only drivers that cannot say what is pending.
    virtual bool Drain(int fd) = 0;
    // Characters written and not yet sent (TIOCOUTQ), counting one more
    // while the UART's transmitter is still busy where the driver tells
    // (TIOCSERGETLSR); nullopt when the driver cannot say.
    virtual std::optional<uint32_t> OutputPending(int fd) = 0;
    // TIOCGSERIAL / TIOCSSERIAL.
    virtual bool GetSerial(int fd, serial_struct& settings) = 0;
    virtual bool SetSerial(int fd, const serial_struct& settings) = 0;
    // TIOCGRS485 / TIOCSRS485.
    virtual bool GetRs485(int fd, serial_rs485& settings) = 0;
    virtual bool SetRs485(int fd, const serial_rs485& settings) = 0;
    // The latency timer of the USB adapter behind fd, in milliseconds, where
    // its driver exposes one in sysfs.
    virtual std::optional<uint32_t> LatencyTimer(int fd) = 0;
    virtual bool SetLatencyTimer(int fd, uint32_t milliseconds) = 0;
};

// The running kernel's. sysDevChar is where sysfs lists character devices
// by number (a test may point it elsewhere).
std::unique_ptr<TtyControl> MakeKernelTtyControl(std::string sysDevChar = "/sys/dev/char");
