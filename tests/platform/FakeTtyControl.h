#pragma once
// A serial driver for tests of the line's driver calls: it keeps the
// settings it is given, as a driver that has them would, or refuses the
// calls it is told to lack; the drain goes to the real terminal.

#include <sys/ioctl.h>
#include <termios.h>

#include <cerrno>
#include <functional>
#include <memory>
#include <optional>

#include "platform/TtyControl.h"

struct FakeDriver {
    std::optional<serial_struct> serial;  // nullopt: no TIOCGSERIAL
    bool refusesSetSerial = false;
    std::optional<serial_rs485> rs485;    // nullopt: no RS-485 mode
    // What the driver makes of RS-485 settings it is given (clamps, forces).
    std::function<void(serial_rs485&)> takesRs485;
    std::optional<uint32_t> latencyTimerMs;  // nullopt: no latency timer
    bool latencyTimerWritable = true;
    // What the transmitter still holds for ever (an adapter that stopped
    // sending); nullopt: the real terminal's queue.
    std::optional<uint32_t> stuckOutput;
    int drains = 0;  // waits that found the output sent
    int lastDrainFd = -1;
};

class FakeTtyControl final : public TtyControl {
public:
    explicit FakeTtyControl(std::shared_ptr<FakeDriver> driver) : m_driver(std::move(driver)) {}

    bool Drain(int fd) override { return ::tcdrain(fd) == 0; }
    std::optional<uint32_t> OutputPending(int fd) override
    {
        if (m_driver->stuckOutput)
            return m_driver->stuckOutput;
        int queued = 0;
        if (::ioctl(fd, TIOCOUTQ, &queued) != 0)
            return std::nullopt;
        if (queued == 0) {
            ++m_driver->drains;
            m_driver->lastDrainFd = fd;
        }
        return static_cast<uint32_t>(queued);
    }
    bool GetSerial(int, serial_struct& settings) override { return Give(m_driver->serial, settings); }
    bool SetSerial(int, const serial_struct& settings) override
    {
        if (!m_driver->serial || m_driver->refusesSetSerial)
            return Refuse(EPERM);
        m_driver->serial = settings;
        return true;
    }
    bool GetRs485(int, serial_rs485& settings) override { return Give(m_driver->rs485, settings); }
    bool SetRs485(int, const serial_rs485& settings) override
    {
        if (!m_driver->rs485)
            return Refuse(ENOTTY);
        m_driver->rs485 = settings;
        if (m_driver->takesRs485)
            m_driver->takesRs485(*m_driver->rs485);
        return true;
    }
    std::optional<uint32_t> LatencyTimer(int) override { return m_driver->latencyTimerMs; }
    bool SetLatencyTimer(int, uint32_t milliseconds) override
    {
        if (!m_driver->latencyTimerMs || !m_driver->latencyTimerWritable)
            return Refuse(EACCES);
        m_driver->latencyTimerMs = milliseconds;
        return true;
    }

private:
    template <typename T>
    static bool Give(const std::optional<T>& kept, T& into)
    {
        if (!kept)
            return Refuse(ENOTTY);
        into = *kept;
        return true;
    }
    static bool Refuse(int error)
    {
        errno = error;
        return false;
    }

    std::shared_ptr<FakeDriver> m_driver;
};
