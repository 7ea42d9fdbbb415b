#include "PtyServer.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr double kNever = std::numeric_limits<double>::infinity();

bool MakeRaw(int fd)
{
    termios settings {};
    if (::tcgetattr(fd, &settings) != 0)
        return false;
    ::cfmakeraw(&settings);
    return ::tcsetattr(fd, TCSANOW, &settings) == 0;
}

}  // namespace

PtyServer::PtyServer(DeviceModel& device, const DeviceLine& line)
    : m_devices{{&device}}, m_line(line), m_burst(line.burst)
{
}

void PtyServer::AddDevice(DeviceModel& device)
{
    m_devices.push_back({&device});
}

bool PtyServer::Create(std::string& error)
{
    m_master.Reset(::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    char name[128] = {};
    if (!m_master.Valid() || ::grantpt(m_master.Get()) != 0 || ::unlockpt(m_master.Get()) != 0
        || ::ptsname_r(m_master.Get(), name, sizeof name) != 0) {
        error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    m_slave.Reset(::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC));
    // A fresh slave is in cooked mode: it would echo requests back and turn
    // carriage returns into line feeds before anyone sets it up.
    if (!m_slave.Valid() || !MakeRaw(m_slave.Get())) {
        error = std::string("cannot set up ") + name + ": " + std::strerror(errno);
        return false;
    }
    m_slavePath = name;
    // Character times are tens of microseconds; the default timer slack of
    // 50 us would blur them.
    ::prctl(PR_SET_TIMERSLACK, 1UL);
    return true;
}

double PtyServer::NowUs() const
{
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - m_start).count();
}

// Read afresh as the PC may set another rate or format at any time. The
// data bits the PC chose are lost on a pseudo-terminal (it reports 8
// whatever it was given); they are taken to be the device's.
void PtyServer::ReadPcFormat()
{
    if (const auto format = ReadTerminalFormat(m_master.Get())) {
        m_pc = *format;
        m_pc.format.dataBits = m_line.format.dataBits;
    }
}

// The pty has taken the PC's characters at once; on the wire each takes its
// time at the PC's rate, one after the other.
void PtyServer::ReadRequests(double nowUs)
{
    char buffer[512];
    for (;;) {
        const ssize_t got = ::read(m_master.Get(), buffer, sizeof buffer);
        if (got <= 0)
            return;
        ReadPcFormat();
        for (ssize_t i = 0; i < got; ++i)
            m_requests.Send(buffer[i], nowUs, m_pc.format);
    }
}

// The device's UART drops characters it received with a framing or parity
// error. On a two-wire bus the device does not hear while it is sending: a
// request that overlaps an answer (a retry after an answer was given up on)
// is lost. Otherwise it is heard and answered in turn, as on RS-232.
void PtyServer::HandRequestsToDevice(double nowUs)
{
    for (const WireCharacter& heard : m_requests.Receive(nowUs, m_line.format)) {
        if (heard.error || (m_unplugged && *m_unplugged))
            continue;
        for (std::size_t i = 0; i < m_devices.size(); ++i) {
            if (m_line.halfDuplex && heard.atUs < m_devices[i].lastSpokenUs)
                continue;
            const Answer answer = m_devices[i].device->Receive(std::string_view(&heard.c, 1),
                                                               static_cast<uint64_t>(heard.atUs / 1000.0));
            ScheduleAnswer(i, answer, heard.atUs);
        }
    }
}

// Each device drives the wire on its own; the wire makes of overlapping
// answers what a bus makes of them.
void PtyServer::ScheduleAnswer(std::size_t device, const Answer& answer, double requestEndUs)
{
    if (answer.empty())
        return;
    double& lastSpoken = m_devices[device].lastSpokenUs;
    double at = std::max(requestEndUs, lastSpoken);
    for (const AnswerPiece& piece : answer) {
        const double pieceStart = at + piece.delayMs * 1000.0;
        for (const char c : piece.text) {
            // A character lost in a burst leaves no trace on the wire.
            if (const auto sent = m_burst.Pass(c, std::max(pieceStart, m_answers.BusyUntilUs(device))))
                m_answers.Send(*sent, pieceStart, m_line.format, device);
        }
        at = m_answers.BusyUntilUs(device);
    }
    lastSpoken = at;
}

// The PC's UART takes the answer in the PC's format; what it cannot make out
// it passes on as NUL, or drops where the PC asked for that.
void PtyServer::PassAnswersToPc(double nowUs)
{
    for (const WireCharacter& received : m_answers.Receive(nowUs, m_pc.format)) {
        if (received.error && m_pc.dropsBadCharacters)
            continue;
        m_toPc.push_back({AdapterDeliveryUs(received.atUs), received.error ? '\0' : received.c});
    }
}

// A USB adapter sends what it has received at each tick of its latency
// timer (its packets are larger than any answer).
double PtyServer::AdapterDeliveryUs(double receivedUs) const
{
    if (m_line.adapterLatencyMs == 0)
        return receivedUs;
    const double tickUs = m_line.adapterLatencyMs * 1000.0;
    return std::ceil(receivedUs / tickUs) * tickUs;
}

void PtyServer::WriteDueAnswers(double nowUs)
{
    std::string due;
    while (!m_toPc.empty() && m_toPc.front().atUs <= nowUs) {
        due += m_toPc.front().c;
        m_toPc.pop_front();
    }
    // Nobody reading and the terminal's buffer full: the characters are
    // lost, as they would be on a real line.
    if (!due.empty())
        (void)!::write(m_master.Get(), due.data(), due.size());
}

double PtyServer::NextEventUs() const
{
    double next = std::min(m_requests.NextCharacterUs(m_line.format), m_answers.NextCharacterUs(m_pc.format));
    if (!m_toPc.empty())
        next = std::min(next, m_toPc.front().atUs);
    return next;
}

void PtyServer::Run(const volatile sig_atomic_t& stop, const sigset_t& waitMask)
{
    ReadPcFormat();
    while (!stop) {
        const double now = NowUs();
        ReadPcFormat();
        HandRequestsToDevice(now);
        PassAnswersToPc(now);
        WriteDueAnswers(now);

        const double next = NextEventUs();
        timespec wait {};
        if (next != kNever) {
            const double leftUs = std::max(0.0, next - NowUs());
            wait.tv_sec = static_cast<time_t>(leftUs / 1e6);
            wait.tv_nsec = static_cast<long>(std::fmod(leftUs, 1e6) * 1000.0);
        }
        pollfd watched {m_master.Get(), POLLIN, 0};
        const int ready = ::ppoll(&watched, 1, next == kNever ? nullptr : &wait, &waitMask);
        if (ready > 0 && (watched.revents & POLLIN) != 0) {
            ReadRequests(NowUs());
        } else if (ready > 0) {
            // Hang-up or error without data: pause rather than spin on it.
            const timespec pause {0, 10'000'000};
            ::ppoll(nullptr, 0, &pause, &waitMask);
        }
    }
}
