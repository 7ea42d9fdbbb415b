#include "platform/PosixSerialLine.h"

#include <fcntl.h>
#include <strings.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

#include "platform/PortMap.h"
#include "platform/TerminalSpeed.h"

namespace {

std::optional<speed_t> SpeedCodeOf(uint32_t baudRate)
{
    switch (baudRate) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    case 460800: return B460800;
    case 921600: return B921600;
    default: return std::nullopt;
    }
}

std::optional<tcflag_t> DataBitsFlagOf(uint8_t dataBits)
{
    switch (dataBits) {
    case 5: return CS5;
    case 6: return CS6;
    case 7: return CS7;
    case 8: return CS8;
    default: return std::nullopt;
    }
}

void SetCharacterFormat(termios& settings, const LineFormat& format, tcflag_t dataBitsFlag)
{
    cfmakeraw(&settings);
    settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
    // A separate input speed left by an earlier odd rate would survive the
    // standard speed calls, which set only the output speed bits; without it
    // the input runs at the output speed.
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS | CIBAUD);
    settings.c_cflag |= CLOCAL | CREAD | dataBitsFlag;
    if (format.parity != LineParity::None) {
        settings.c_cflag |= PARENB;
        settings.c_iflag |= INPCK;
        if (format.parity == LineParity::Odd)
            settings.c_cflag |= PARODD;
    }
    // termios knows one or two stop bits; one and a half (which UARTs use
    // only with 5 data bits) becomes two, the nearer safe choice for a
    // receiver that expects the longer pause.
    if (format.stopBits != LineStopBits::One)
        settings.c_cflag |= CSTOPB;
    // With O_NONBLOCK this makes an empty read say EAGAIN and keeps 0 for a
    // hung-up terminal; all waiting is done by poll().
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
}

bool IsLineGone(int error)
{
    return error == EIO || error == ENXIO || error == ENODEV || error == EBADF;
}

// A USB adapter holds what it receives up to its latency timer (16 ms by
// default on many) before passing it on: as long again as a whole exchange
// at 115200 bit/s, and close to the 20 ms gap that ends an answer.
constexpr uint32_t kLowLatencyTimerMs = 1;

// A driver without the delay before sending reads it back as 0 and would
// raise RTS with the start bit, before the converter has turned round.
bool SwitchesRtsForSending(const serial_rs485& settings, uint32_t leadMs)
{
    return (settings.flags & SER_RS485_ENABLED) != 0 && (settings.flags & SER_RS485_RTS_ON_SEND) != 0
           && (settings.flags & SER_RS485_RTS_AFTER_SEND) == 0 && settings.delay_rts_before_send >= leadMs;
}

// Microseconds one character takes at the rate: start, data, parity and
// stop bits.
uint32_t CharacterTimeUs(const termios& settings)
{
    const speed_t code = ::cfgetospeed(&settings);
    uint32_t rate = 0;
    for (uint32_t candidate : {1200u, 2400u, 4800u, 9600u, 19200u, 38400u, 57600u, 115200u, 230400u, 460800u, 921600u})
        if (SpeedCodeOf(candidate) == code)
            rate = candidate;
    if (rate == 0)
        rate = 9600;
    return 11'000'000 / rate + 1;
}

}  // namespace

LineOpenError OpenErrorOfErrno(int error)
{
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR: return LineOpenError::NotFound;
    case EACCES:
    case EPERM:
    case EROFS: return LineOpenError::NoPermission;
    case EBUSY:
    case EWOULDBLOCK: return LineOpenError::Busy;
    default: return LineOpenError::Other;
    }
}

PosixSerialLine::PosixSerialLine(PortResolver resolver, std::unique_ptr<TtyControl> control)
    : m_resolver(std::move(resolver)), m_control(std::move(control))
{
}

std::optional<std::string> PosixSerialLine::DevicePathOf(const std::string& portName)
{
    if (const auto number = PortMap::NumberOfName(portName))
        return m_resolver ? m_resolver(*number) : std::nullopt;
    if (!portName.empty() && portName.front() == '/')
        return portName;
    return std::nullopt;
}

void PosixSerialLine::FailOpen(LineOpenError error, const std::string& detail)
{
    m_openError = error;
    m_openDetail = detail;
}

// The port as the engineer knows it: "COM3" for "\\.\COM3" (the Windows
// spelling the settings give), a path as it was given, and nothing at all
// for port 0, which an empty port cell stands for.
std::string PosixSerialLine::KnownName(const std::string& portName)
{
    if (const auto number = PortMap::NumberOfName(portName))
        return PortMap::NameOfNumber(*number);
    std::string_view text(portName);
    if (text.substr(0, 4) == "\\\\.\\")
        text.remove_prefix(4);
    const bool portZero = text.size() > 3 && strncasecmp(text.data(), "COM", 3) == 0
                          && text.find_first_not_of('0', 3) == std::string_view::npos;
    return portZero ? std::string() : portName;
}

bool PosixSerialLine::Open(const std::string& portName)
{
    const std::string known = KnownName(portName);
    if (IsOpen()) {
        FailOpen(LineOpenError::Busy, known);
        return false;
    }
    const auto path = DevicePathOf(portName);
    if (!path) {
        FailOpen(LineOpenError::NotFound, known);
        return false;
    }
    // "COM41 (/dev/ttyUSB0)": the name chosen and the device behind it.
    const std::string named = known == *path ? *path : known + " (" + *path + ")";
    UniqueFd fd(::open(path->c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid()) {
        const int error = errno;
        const LineOpenError kind = OpenErrorOfErrno(error);
        FailOpen(kind, kind == LineOpenError::Other ? named + ": " + std::strerror(error) : named);
        return false;
    }
    // The port is ours alone while open: TIOCEXCL keeps other programs out
    // (but not the superuser), the lock keeps out another copy of ours.
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
        FailOpen(LineOpenError::Busy, named);
        return false;
    }
    ::ioctl(fd.Get(), TIOCEXCL);
    m_fd = std::move(fd);
    m_broken = false;
    {
        std::lock_guard guard(m_savedLock);
        m_saved = {};
        LowerLatency();
    }
    openlines::Add(this);
    FailOpen(LineOpenError::None, {});
    return true;
}

// Both ways, since drivers differ: the low-latency flag (which some USB
// drivers turn into a 1 ms latency timer) and the timer itself where the
// driver shows it in sysfs and we may write it.
void PosixSerialLine::LowerLatency()
{
    const int fd = m_fd.Get();
    serial_struct serial {};
    if (m_control->GetSerial(fd, serial) && (serial.flags & ASYNC_LOW_LATENCY) == 0) {
        const int before = serial.flags;
        serial.flags |= ASYNC_LOW_LATENCY;
        if (m_control->SetSerial(fd, serial))
            m_saved.serialFlags = before;
    }
    const auto timer = m_control->LatencyTimer(fd);
    if (timer && *timer > kLowLatencyTimerMs && m_control->SetLatencyTimer(fd, kLowLatencyTimerMs))
        m_saved.latencyTimerMs = *timer;
    m_latencyMs = m_control->LatencyTimer(fd).value_or(0);
}

// The driver's settings outlive our descriptor: whoever opens the port
// next finds it as it was before us. Failures are ignored (an adapter
// pulled out has taken its settings with it). Called with m_savedLock held.
void PosixSerialLine::RestoreDriver()
{
    const int fd = m_fd.Get();
    if (m_saved.rs485)
        m_control->SetRs485(fd, *m_saved.rs485);
    serial_struct serial {};
    if (m_saved.serialFlags && m_control->GetSerial(fd, serial)) {
        serial.flags = (serial.flags & ~ASYNC_LOW_LATENCY) | (*m_saved.serialFlags & ASYNC_LOW_LATENCY);
        m_control->SetSerial(fd, serial);
    }
    if (m_saved.latencyTimerMs)
        m_control->SetLatencyTimer(fd, *m_saved.latencyTimerMs);
    m_saved = {};
}

void PosixSerialLine::PutBack()
{
    std::lock_guard guard(m_savedLock);
    RestoreDriver();
    // Exclusivity is a property of the terminal, not of our descriptor; it
    // would outlive us where someone else still holds the terminal open.
    ::ioctl(m_fd.Get(), TIOCNXCL);
}

void PosixSerialLine::Close()
{
    if (!IsOpen())
        return;
    openlines::Remove(this);
    PutBack();
    m_fd.Reset();
    m_broken = false;
    m_latencyMs.reset();
}

bool PosixSerialLine::ReadState()
{
    termios settings {};
    return IsOpen() && ::tcgetattr(m_fd.Get(), &settings) == 0;
}

bool PosixSerialLine::ApplyFormat(const LineFormat& format)
{
    termios settings {};
    const auto dataBitsFlag = DataBitsFlagOf(format.dataBits);
    if (!IsOpen() || !dataBitsFlag || ::tcgetattr(m_fd.Get(), &settings) != 0)
        return false;
    SetCharacterFormat(settings, format, *dataBitsFlag);
    const auto speed = SpeedCodeOf(format.baudRate);
    // Rates without a constant are set through termios2 once the rest is in place.
    const speed_t placeholder = speed.value_or(B38400);
    if (::cfsetispeed(&settings, placeholder) != 0 || ::cfsetospeed(&settings, placeholder) != 0
        || ::tcsetattr(m_fd.Get(), TCSANOW, &settings) != 0)
        return false;
    return speed.has_value() || SetArbitrarySpeed(m_fd.Get(), format.baudRate);
}

bool PosixSerialLine::SetTimeouts(const LineTimeouts& timeouts)
{
    m_timeouts = timeouts;
    return IsOpen();
}

bool PosixSerialLine::SetModemLine(int line, bool high)
{
    return IsOpen() && ::ioctl(m_fd.Get(), high ? TIOCMBIS : TIOCMBIC, &line) == 0;
}

bool PosixSerialLine::SetRts(bool high)
{
    return SetModemLine(TIOCM_RTS, high);
}

bool PosixSerialLine::SetDtr(bool high)
{
    return SetModemLine(TIOCM_DTR, high);
}

void PosixSerialLine::Purge()
{
    if (IsOpen())
        ::tcflush(m_fd.Get(), TCIOFLUSH);
}

std::optional<PosixSerialLine::SteadyClock::time_point> PosixSerialLine::TotalDeadline(std::size_t count) const
{
    if (m_timeouts.perCharMs == 0 && m_timeouts.constantMs == 0)
        return std::nullopt;
    const auto total = std::chrono::milliseconds(m_timeouts.perCharMs * count + m_timeouts.constantMs);
    return SteadyClock::now() + total;
}

bool PosixSerialLine::WaitFor(short events, std::optional<SteadyClock::time_point> deadline)
{
    for (;;) {
        // A deadline already past still gets one look: the process may have
        // been kept off the processor while the characters arrived.
        timespec remaining {};
        if (deadline) {
            const auto left = std::max(*deadline - SteadyClock::now(), SteadyClock::duration::zero());
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            remaining.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
            remaining.tv_nsec = static_cast<long>(ns % 1'000'000'000);
        }
        pollfd watched {m_fd.Get(), events, 0};
        const int ready = ::ppoll(&watched, 1, deadline ? &remaining : nullptr, nullptr);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        if ((watched.revents & events) != 0)
            return true;
        // Hang-up or error without anything to read: the other end is gone.
        m_broken = true;
        return false;
    }
}

// The text is handed to the terminal driver and the call returns once the
// driver has taken it, usually long before it has left the wire (Drain).
void PosixSerialLine::Write(const char* text, std::size_t length)
{
    if (!IsOpen() || m_broken)
        return;
    const auto deadline = TotalDeadline(length);
    while (length > 0) {
        const ssize_t written = ::write(m_fd.Get(), text, length);
        if (written > 0) {
            text += written;
            length -= static_cast<std::size_t>(written);
        } else if (written < 0 && errno == EINTR) {
            continue;
        } else if (written < 0 && errno == EAGAIN) {
            if (!WaitFor(POLLOUT, deadline))
                return;
        } else {
            m_broken = written < 0 && IsLineGone(errno);
            return;
        }
    }
}

void PosixSerialLine::WriteChar(char c)
{
    Write(&c, 1);
}

// Waits by asking the driver what is still pending, in steps of about the
// time that takes to send, so that an adapter that has stopped sending
// (tcdrain would wait for it for ever) ends the wait at the write time-out.
bool PosixSerialLine::Drain()
{
    if (!IsOpen() || m_broken)
        return false;
    const int fd = m_fd.Get();
    std::optional<uint32_t> pending = m_control->OutputPending(fd);
    if (!pending) {
        if (m_control->Drain(fd))
            return true;
        if (IsLineGone(errno))
            m_broken = true;
        return false;
    }
    const auto deadline = TotalDeadline(*pending);
    termios settings {};
    const uint32_t charUs = ::tcgetattr(fd, &settings) == 0 ? CharacterTimeUs(settings) : 1000;
    while (*pending > 0) {
        if (deadline && SteadyClock::now() >= *deadline)
            return false;
        const uint64_t stepUs = std::clamp<uint64_t>(uint64_t{*pending} * charUs, 50, 5000);
        std::this_thread::sleep_for(std::chrono::microseconds(stepUs));
        pending = m_control->OutputPending(fd);
        if (!pending) {
            m_broken = IsLineGone(errno);  // the adapter has gone
            return false;
        }
    }
    return true;
}

// The driver may take the request but not all of it: what it accepted is
// read back, and anything but "RTS up while sending, down afterwards" puts
// the port back as it was, for the caller's own switching.
bool PosixSerialLine::SwitchRtsWhileSending(uint32_t leadMs, uint32_t tailMs)
{
    if (!IsOpen() || m_broken)
        return false;
    const int fd = m_fd.Get();
    serial_rs485 before {};
    if (!m_control->GetRs485(fd, before))
        return false;
    serial_rs485 wanted = before;
    wanted.flags |= SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND;
    wanted.flags &= ~static_cast<__u32>(SER_RS485_RTS_AFTER_SEND);
    wanted.delay_rts_before_send = leadMs;
    wanted.delay_rts_after_send = tailMs;
    std::lock_guard guard(m_savedLock);
    if (!m_control->SetRs485(fd, wanted))
        return false;
    const bool firstChange = !m_saved.rs485;
    if (firstChange)
        m_saved.rs485 = before;
    serial_rs485 accepted {};
    if (m_control->GetRs485(fd, accepted) && SwitchesRtsForSending(accepted, leadMs))
        return true;
    m_control->SetRs485(fd, before);
    if (firstChange)
        m_saved.rs485.reset();
    return false;
}

ReadOutcome PosixSerialLine::Read(char* into, uint32_t count)
{
    if (!IsOpen() || m_broken || count == 0)
        return {};
    const auto total = TotalDeadline(count);
    std::optional<SteadyClock::time_point> gapEnd;
    uint32_t got = 0;
    bool pollSaidReadable = false;
    while (got < count) {
        const ssize_t n = ::read(m_fd.Get(), into + got, count - got);
        if (n > 0) {
            got += static_cast<uint32_t>(n);
            if (m_timeouts.interCharMs != 0)
                gapEnd = SteadyClock::now() + std::chrono::milliseconds(m_timeouts.interCharMs);
            pollSaidReadable = false;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // An I/O error, or end of file although poll() reported something to
        // read: the terminal has been hung up.
        if ((n < 0 && errno != EAGAIN) || (n == 0 && pollSaidReadable)) {
            m_broken = true;
            break;
        }
        auto deadline = total;
        if (gapEnd)
            deadline = deadline ? std::min(*deadline, *gapEnd) : *gapEnd;
        if (!WaitFor(POLLIN, deadline))
            break;
        pollSaidReadable = true;
    }
    return {got, got == 0};
}

std::unique_ptr<SerialLine> MakePlatformSerialLine()
{
    return std::make_unique<PosixSerialLine>([](uint32_t number) { return PortMap().Resolve(number); });
}
