#pragma once
// The serial line on a POSIX terminal device: termios for the character
// format, poll() for millisecond time-outs (the terminal's own VTIME counts
// in tenths of a second, too coarse for the 20 ms gap between characters).
// While open it keeps the driver at low latency and, when asked, lets the
// driver switch RS-485 direction; closing puts the driver back as it was.

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>

#include "platform/OpenLines.h"

#include "platform/SerialLine.h"
#include "platform/TtyControl.h"
#include "platform/UniqueFd.h"

class PosixSerialLine final : public SerialLine, private LineKeeper {
public:
    // Turns a COM number into a device path; nullopt when there is none.
    using PortResolver = std::function<std::optional<std::string>(uint32_t number)>;

    explicit PosixSerialLine(PortResolver resolver,
                             std::unique_ptr<TtyControl> control = MakeKernelTtyControl());
    ~PosixSerialLine() override { Close(); }

    bool Open(const std::string& portName) override;
    LineOpenError LastOpenError() const override { return m_openError; }
    std::string LastOpenDetail() const override { return m_openDetail; }
    bool IsOpen() const override { return m_fd.Valid(); }
    void Close() override;

    bool ReadState() override;
    bool ApplyFormat(const LineFormat& format) override;
    bool SetTimeouts(const LineTimeouts& timeouts) override;
    bool SetRts(bool high) override;
    bool SetDtr(bool high) override;
    void Purge() override;
    void Write(const char* text, std::size_t length) override;
    void WriteChar(char c) override;
    bool Drain() override;
    bool SwitchRtsWhileSending(uint32_t leadMs, uint32_t tailMs) override;
    ReadOutcome Read(char* into, uint32_t count) override;
    bool Lost() override { return IsOpen() && m_broken; }
    // The adapter's latency timer where its driver shows one; a port
    // without one (an on-board UART, a modem-class adapter, a terminal)
    // passes characters on as they come.
    std::optional<uint32_t> LatencyMs() const override { return m_latencyMs; }

private:
    using SteadyClock = std::chrono::steady_clock;

    std::optional<std::string> DevicePathOf(const std::string& portName);
    void FailOpen(LineOpenError error, const std::string& detail);
    static std::string KnownName(const std::string& portName);
    bool SetModemLine(int line, bool high);
    // Waits until the line is readable or writable (events), the deadline
    // passes or the line breaks; true when it is ready.
    bool WaitFor(short events, std::optional<SteadyClock::time_point> deadline);
    std::optional<SteadyClock::time_point> TotalDeadline(std::size_t count) const;
    void LowerLatency();
    void RestoreDriver();
    void PutBack() override;

    // What the driver had before we changed it; restored on Close.
    struct DriverState {
        std::optional<int> serialFlags;
        std::optional<uint32_t> latencyTimerMs;
        std::optional<serial_rs485> rs485;
    };

    PortResolver m_resolver;
    std::unique_ptr<TtyControl> m_control;
    UniqueFd m_fd;
    DriverState m_saved;
    // Guards m_saved: a program that is ending puts the driver back from
    // another thread (PutBack) while the worker may still use the line.
    std::mutex m_savedLock;
    // Set once the other end has gone (hang-up, adapter pulled): every later
    // operation fails at once instead of waiting on a dead line.
    bool m_broken = false;
    LineTimeouts m_timeouts;
    std::optional<uint32_t> m_latencyMs;
    LineOpenError m_openError = LineOpenError::None;
    std::string m_openDetail;
};

// Maps an errno of open() to the reason shown to the user.
LineOpenError OpenErrorOfErrno(int error);
