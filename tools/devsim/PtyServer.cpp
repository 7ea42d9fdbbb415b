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

PtyServer::PtyServer(DeviceModel& device, uint32_t baud, uint32_t bitsPerCharacter)
    : m_device(device), m_charUs(baud == 0 ? 0.0 : bitsPerCharacter * 1e6 / baud)
{
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

void PtyServer::ReadRequests(double nowUs)
{
    char buffer[512];
    for (;;) {
        const ssize_t got = ::read(m_master.Get(), buffer, sizeof buffer);
        if (got <= 0)
            return;
        for (ssize_t i = 0; i < got; ++i) {
            m_lastHeardUs = std::max(m_lastHeardUs, nowUs) + m_charUs;
            m_heard.push_back({m_lastHeardUs, buffer[i]});
        }
    }
}

// Like a device on a two-wire bus, it does not hear while it is sending:
// a request that overlaps an answer (a retry after an answer was given up
// on) is lost, instead of piling up one answer behind the other.
void PtyServer::HandDueRequestsToDevice(double nowUs)
{
    while (!m_heard.empty() && m_heard.front().atUs <= nowUs) {
        const Timed heard = m_heard.front();
        m_heard.pop_front();
        if (heard.atUs < m_lastSpokenUs)
            continue;
        const Answer answer = m_device.Receive(std::string_view(&heard.c, 1),
                                               static_cast<uint64_t>(heard.atUs / 1000.0));
        ScheduleAnswer(answer, heard.atUs);
    }
}

void PtyServer::ScheduleAnswer(const Answer& answer, double requestEndUs)
{
    if (answer.empty())
        return;
    double at = std::max(requestEndUs, m_lastSpokenUs);
    for (const AnswerPiece& piece : answer) {
        at += piece.delayMs * 1000.0;
        for (const char c : piece.text) {
            at += m_charUs;
            m_speaking.push_back({at, c});
        }
    }
    m_lastSpokenUs = at;
}

void PtyServer::WriteDueAnswers(double nowUs)
{
    std::string due;
    while (!m_speaking.empty() && m_speaking.front().atUs <= nowUs) {
        due += m_speaking.front().c;
        m_speaking.pop_front();
    }
    // Nobody reading and the terminal's buffer full: the characters are
    // lost, as they would be on a real line.
    if (!due.empty())
        (void)!::write(m_master.Get(), due.data(), due.size());
}

double PtyServer::NextEventUs() const
{
    double next = kNever;
    if (!m_heard.empty())
        next = m_heard.front().atUs;
    if (!m_speaking.empty())
        next = std::min(next, m_speaking.front().atUs);
    return next;
}

void PtyServer::Run(const volatile sig_atomic_t& stop, const sigset_t& waitMask)
{
    while (!stop) {
        double now = NowUs();
        HandDueRequestsToDevice(now);
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
