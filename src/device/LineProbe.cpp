#include "device/LineProbe.h"

#include <algorithm>
#include <cstring>

namespace {

// The pause before every request, as in every exchange.
constexpr uint64_t kPauseUs = 5000;
// Devices answer within a millisecond or two of a request's end; a slower
// one is heard during the next pause (where an answer begun is read to its
// end before the next request goes out) or a later probe.
constexpr uint64_t kTurnaroundUs = 1000;
constexpr uint64_t kSchedulingMarginUs = 500;
// A read's time-out counts in whole milliseconds; less than this left is
// taken as the deadline reached rather than overshot by most of one.
constexpr uint64_t kShortestListenUs = 400;
// What most USB adapters hold received characters for, where the system
// does not say.
constexpr uint32_t kUnknownLatencyMs = 16;
// An answer that falls silent for this long has ended, as in an exchange.
constexpr uint64_t kAnswerGapUs = 20000;
const uint16_t kDevHash = NameHash("dev", 3);
// The listening reads return this soon after the characters stop.
constexpr uint32_t kReadGapMs = 1;

uint32_t BitsPerCharacter(const LineFormat& format)
{
    uint32_t bits = 1 + format.dataBits + (format.parity != LineParity::None ? 1 : 0);
    return bits + (format.stopBits == LineStopBits::One ? 1 : 2);
}

}  // namespace

MicroClock SteadyMicroClock()
{
    return [] {
        return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                         std::chrono::steady_clock::now().time_since_epoch())
                                         .count());
    };
}

ProbeTiming ProbeTimingFor(const LineFormat& format, std::optional<uint32_t> latencyMs)
{
    ProbeTiming timing;
    const uint32_t baud = format.baudRate != 0 ? format.baudRate : 115200;
    timing.characterUs = (uint64_t{BitsPerCharacter(format)} * 1000000 + baud - 1) / baud;
    timing.requestUs = kMinFrameText * timing.characterUs;
    timing.waitUs = kTurnaroundUs + timing.characterUs + uint64_t{latencyMs.value_or(kUnknownLatencyMs)} * 1000
                    + kSchedulingMarginUs;
    timing.lateUs = uint64_t{528000 / baud + 260} * 1000;
    return timing;
}

LineProbe::LineProbe(Sio& port, MicroClock clock) : m_port(port), m_clock(std::move(clock)) {}

void LineProbe::Begin(bool elevenBit, const ProbeTiming& timing)
{
    m_elevenBit = elevenBit;
    m_timing = timing;
    m_frame.clear();
    m_inFrame = false;
    m_noise = false;
    m_answers.clear();
}

void LineProbe::ListenUntil(uint64_t deadlineUs)
{
    SerialLine& line = m_port.Line();
    bool extended = false;
    for (;;) {
        const uint64_t now = m_clock();
        if (now + kShortestListenUs >= deadlineUs) {
            // An answer under way is not cut: the rest of the longest
            // answer, the port's latency and the gap that ends an answer.
            if (!m_inFrame || extended) break;
            extended = true;
            const uint64_t rest = kMaxFrameText > m_frame.size() ? kMaxFrameText - m_frame.size() : 0;
            deadlineUs = now + rest * m_timing.characterUs + (m_timing.waitUs - kTurnaroundUs) + kAnswerGapUs;
            continue;
        }
        const auto leftMs = std::max<uint32_t>(1, static_cast<uint32_t>((deadlineUs - now + 500) / 1000));
        // A gap after the characters that have come ends the read too: a
        // comm driver may otherwise hold a read begun until all it asked
        // for has arrived, whatever the total time-out says.
        line.SetTimeouts({kReadGapMs, 0, leftMs});
        char buffer[64];
        const ReadOutcome got = line.Read(buffer, sizeof buffer);
        Take(buffer, got.count);
        if (line.Lost()) break;
    }
    // Whatever runs on the port next (an identification) reads as every
    // exchange does.
    m_port.RestoreTimeouts();
}

void LineProbe::Pause()
{
    ListenUntil(m_clock() + kPauseUs);
}

uint64_t LineProbe::SendProbe(uint16_t address)
{
    Pause();
    m_port.ResetFrame();
    m_port.BuildFrameByName("dev", true, address, m_elevenBit);
    const uint64_t start = m_clock();
    m_port.Send();
    // A line that takes the text at once (a pseudo-terminal) returns before
    // the request is on the wire; the wait counts from its end all the same.
    return std::max(m_clock(), start + m_timing.requestUs);
}

void LineProbe::Probe(uint16_t address)
{
    const uint64_t offWire = SendProbe(address);
    ListenUntil(offWire + m_timing.waitUs);
}

std::vector<HeardAnswer> LineProbe::TakeAnswers()
{
    std::vector<HeardAnswer> answers;
    answers.swap(m_answers);
    return answers;
}

bool LineProbe::TakeNoise()
{
    const bool noise = m_noise;
    m_noise = false;
    return noise;
}

void LineProbe::Take(const char* characters, uint32_t count)
{
    for (uint32_t i = 0; i < count; ++i) {
        const char c = characters[i];
        if (c == '#') {
            if (m_inFrame) m_noise = true;
            m_frame.assign(1, c);
            m_inFrame = true;
        } else if (!m_inFrame) {
            m_noise = true;
        } else {
            m_frame.push_back(c);
            if (c == '\r') {
                m_inFrame = false;
                Decode();
            } else if (m_frame.size() >= kMaxFrameText) {
                m_inFrame = false;
                m_noise = true;
            }
        }
    }
}

// A well-formed answer to "dev", or the error reply, from the address in
// its first two bytes read at the width probed; anything else is noise.
void LineProbe::Decode()
{
    m_codec.ResetFrame();
    m_codec.m_sentHash = kDevHash;
    std::memcpy(m_codec.m_rxText, m_frame.data(), m_frame.size());
    const int status = m_codec.ScanReceived(static_cast<uint32_t>(m_frame.size()));
    const uint8_t* frame = m_codec.m_frame;
    const bool topBits = (frame[1] & 0xE0) != 0;
    if ((status != FRAME_OK && status != FRAME_NERR) || (!m_elevenBit && topBits)) {
        m_noise = true;
        return;
    }
    HeardAnswer answer;
    answer.address = m_elevenBit ? static_cast<uint16_t>((frame[0] << 3) | (frame[1] >> 5)) : frame[0];
    answer.nerr = status == FRAME_NERR;
    if (!answer.nerr) answer.data.assign(m_codec.m_data, m_codec.m_data + m_codec.m_dataLength);
    m_answers.push_back(std::move(answer));
}
