#include "InProcessLine.h"

#include <algorithm>
#include <limits>

InProcessLine::InProcessLine(DeviceModel* device, LineFailures failures)
    : m_device(device), m_failures(failures)
{
}

std::vector<LineEvent> InProcessLine::EventsOf(LineEventKind kind) const
{
    std::vector<LineEvent> found;
    for (const LineEvent& event : m_events)
        if (event.kind == kind) found.push_back(event);
    return found;
}

std::vector<std::string> InProcessLine::Requests() const
{
    std::vector<std::string> requests;
    std::string current;
    for (const LineEvent& event : m_events) {
        if (event.kind != LineEventKind::Write && event.kind != LineEventKind::WriteChar) continue;
        for (char c : event.text) {
            if (c == '#') current.assign(1, c);
            else if (!current.empty()) current.push_back(c);
            if (c == '\r' && !current.empty()) {
                requests.push_back(current);
                current.clear();
            }
        }
    }
    return requests;
}

bool InProcessLine::Open(const std::string& portName)
{
    Record(LineEventKind::Open, portName, m_failures.open ? 0 : 1);
    if (m_failures.open || m_open) return false;
    m_open = true;
    return true;
}

LineOpenError InProcessLine::LastOpenError() const
{
    return m_failures.open ? LineOpenError::NotFound : LineOpenError::None;
}

std::string InProcessLine::LastOpenDetail() const
{
    return m_failures.open ? "in-process line: opening refused" : std::string();
}

void InProcessLine::Close()
{
    Record(LineEventKind::Close);
    m_open = false;
}

bool InProcessLine::ApplyFormat(const LineFormat& format)
{
    Record(LineEventKind::Format, {}, format.baudRate);
    if (m_failures.format) return false;
    m_format = format;
    return true;
}

bool InProcessLine::SetTimeouts(const LineTimeouts& timeouts)
{
    Record(LineEventKind::Timeouts, {}, timeouts.constantMs);
    if (m_failures.timeouts) return false;
    m_timeouts = timeouts;
    return true;
}

bool InProcessLine::SetRts(bool high)
{
    if (m_failures.modemLines) return false;
    Record(LineEventKind::Rts, {}, high ? 1 : 0);
    m_rts = high;
    return true;
}

bool InProcessLine::SetDtr(bool high)
{
    if (m_failures.modemLines) return false;
    Record(LineEventKind::Dtr, {}, high ? 1 : 0);
    return true;
}

// Drops what has already arrived and what has not yet gone out; characters
// on their way in come later.
void InProcessLine::Purge()
{
    Record(LineEventKind::Purge);
    HearUntil(m_nowUs);
    while (!m_incoming.empty() && m_incoming.front().atUs <= m_nowUs) m_incoming.pop_front();
    m_outgoing.clear();
    m_stuck = 0;
}

void InProcessLine::Write(const char* text, std::size_t length)
{
    Record(LineEventKind::Write, std::string(text, length));
    Transmit(text, length);
}

void InProcessLine::WriteChar(char c)
{
    Record(LineEventKind::WriteChar, std::string(1, c));
    Transmit(&c, 1);
}

// Recorded when it returns, at the time the last character is off the wire
// (value 1), or when a stalled transmitter's time-out has passed (value 0).
bool InProcessLine::Drain()
{
    if (m_stalled) {
        m_nowUs += (uint64_t{m_timeouts.perCharMs} * m_stuck + m_timeouts.constantMs) * 1000;
        Record(LineEventKind::Drain, {}, 0);
        return false;
    }
    if (!m_outgoing.empty()) m_nowUs = std::max(m_nowUs, m_outgoing.back().atUs);
    HearUntil(m_nowUs);
    Record(LineEventKind::Drain, {}, 1);
    return true;
}

bool InProcessLine::SwitchRtsWhileSending(uint32_t leadMs, uint32_t)
{
    Record(LineEventKind::DriverRts, std::to_string(leadMs), m_offersDriverRts ? 1 : 0);
    return m_offersDriverRts;
}

uint64_t InProcessLine::CharTimeUs() const
{
    if (!m_emulateCharTime || m_format.baudRate == 0) return 0;
    uint32_t bits = 1 + m_format.dataBits + (m_format.parity != LineParity::None ? 1 : 0);
    bits += m_format.stopBits == LineStopBits::One ? 1 : 2;
    return uint64_t{bits} * 1000000 / m_format.baudRate;
}

void InProcessLine::Transmit(const char* text, std::size_t length)
{
    if (m_stalled) {
        m_stuck += length;
        return;
    }
    const uint64_t charTime = CharTimeUs();
    uint64_t at = m_outgoing.empty() ? m_nowUs : std::max(m_nowUs, m_outgoing.back().atUs);
    for (std::size_t i = 0; i < length; ++i) {
        at += charTime;
        m_outgoing.push_back({at, text[i]});
    }
}

void InProcessLine::HearNext()
{
    const Arrival sent = m_outgoing.front();
    m_outgoing.pop_front();
    if (!m_script.empty()) {
        if (sent.c != '\r') return;
        const Answer answer = std::move(m_script.front());
        m_script.pop_front();
        Schedule(answer, sent.atUs);
        return;
    }
    if (!DevicesHear()) return;
    if (m_device != nullptr) Schedule(m_device->Receive(std::string_view(&sent.c, 1), sent.atUs / 1000), sent.atUs);
    for (std::size_t i = 0; i < m_busDevices.size(); ++i) {
        Schedule(m_busDevices[i]->Receive(std::string_view(&sent.c, 1), sent.atUs / 1000), sent.atUs, i + 1);
    }
}

bool InProcessLine::DevicesHear() const
{
    if (!m_deviceFormat) return true;
    return m_deviceFormat->baudRate == m_format.baudRate && m_deviceFormat->parity == m_format.parity
           && m_deviceFormat->dataBits == m_format.dataBits;
}

void InProcessLine::HearUntil(uint64_t atUs)
{
    while (!m_outgoing.empty() && m_outgoing.front().atUs <= atUs) HearNext();
}

// A device sends one character after the other. Characters of two devices
// that are on the wire at the same time destroy each other: the PC's UART
// makes a NUL of each (a framing error).
void InProcessLine::Schedule(const Answer& answer, uint64_t fromUs, std::size_t source)
{
    const uint64_t charTime = CharTimeUs();
    uint64_t at = fromUs;
    for (const AnswerPiece& piece : answer) {
        at += uint64_t{piece.delayMs} * 1000;
        for (char c : piece.text) {
            at += charTime;
            for (auto it = m_incoming.rbegin(); it != m_incoming.rend(); ++it) {
                if (it->source == source) {
                    at = std::max(at, it->atUs);
                    break;
                }
            }
            Arrival arrival{at, c, source};
            for (Arrival& other : m_incoming) {
                const uint64_t apart = other.atUs > at ? other.atUs - at : at - other.atUs;
                if (other.source != source && apart < std::max<uint64_t>(charTime, 1)) {
                    other.c = '\0';
                    arrival.c = '\0';
                }
            }
            const auto later = std::upper_bound(m_incoming.begin(), m_incoming.end(), at,
                                                [](uint64_t t, const Arrival& a) { return t < a.atUs; });
            m_incoming.insert(later, arrival);
        }
    }
}

// Plays the read the way the port's time-outs shape it: it ends when count
// characters are in, when the gap after a character exceeds interCharMs, or
// at count * perCharMs + constantMs after its start.
ReadOutcome InProcessLine::Read(char* into, uint32_t count)
{
    if (!m_open) {
        Record(LineEventKind::Read, {}, count);
        return {};
    }
    const bool bounded = m_timeouts.interCharMs != 0 || m_timeouts.perCharMs != 0 || m_timeouts.constantMs != 0;
    const uint64_t deadline = bounded
        ? m_nowUs + (uint64_t{count} * m_timeouts.perCharMs + m_timeouts.constantMs) * 1000
        : std::numeric_limits<uint64_t>::max();
    const uint64_t gapUs = uint64_t{m_timeouts.interCharMs} * 1000;

    uint32_t delivered = 0;
    uint64_t last = m_nowUs;
    while (delivered < count) {
        // What the PC is still sending reaches the far end in time order with
        // what comes back, so an answer to it can arrive within this read.
        while (!m_outgoing.empty() && m_outgoing.front().atUs <= deadline
               && (m_incoming.empty() || m_outgoing.front().atUs <= std::max(m_incoming.front().atUs, m_nowUs)))
            HearNext();
        if (m_incoming.empty()) break;
        const uint64_t at = std::max(m_incoming.front().atUs, m_nowUs);
        if (at > deadline) break;
        if (delivered > 0 && gapUs != 0 && at - last > gapUs) break;
        into[delivered++] = m_incoming.front().c;
        last = at;
        m_incoming.pop_front();
    }

    if (delivered == count) {
        m_nowUs = last;
    } else {
        uint64_t end = deadline;
        if (delivered > 0 && gapUs != 0) end = std::min(end, last + gapUs);
        m_nowUs = end != std::numeric_limits<uint64_t>::max() ? end : last;
    }
    const bool endedEmpty = delivered == 0 && count > 0;
    Record(LineEventKind::Read, std::string(into, delivered), count, endedEmpty);
    return {delivered, endedEmpty};
}

void InProcessLine::Record(LineEventKind kind, std::string text, uint32_t value, bool endedEmpty)
{
    m_events.push_back({kind, m_nowUs, std::move(text), value, endedEmpty});
}
