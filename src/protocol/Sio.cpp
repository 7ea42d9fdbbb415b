#include "protocol/Sio.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>
#include <utility>

namespace {

constexpr uint32_t kFallbackBaudRate = 115200;
constexpr uint32_t kInterCharTimeoutMs = 20;
constexpr uint32_t kPerCharTimeoutMs = 1;
constexpr int32_t kCalibrationStart = 5000;
constexpr int32_t kCalibrationStep = 5000;
constexpr int kCalibrationPasses = 32000;
constexpr double kLeadDelayTargetMs = 1.175;
// RTS high before the first character, in the whole milliseconds a driver
// counts in: the busy loop's 0.6 ms rounded up; RTS low right after the last.
constexpr uint32_t kDriverRtsLeadMs = 1;
constexpr uint32_t kDriverRtsTailMs = 0;
// Runs near the limit that narrowing down to the step may take before it
// settles; each costs the limit itself.
constexpr int kNarrowingRuns = 3;

uint32_t SupportedBaudRate(uint32_t stored)
{
    for (uint32_t rate : kBaudRates)
        if (rate == stored) return rate;
    return kFallbackBaudRate;
}

LineParity ParityFrom(uint32_t stored)
{
    switch (stored) {
    case 1: return LineParity::Odd;
    case 2: return LineParity::Even;
    default: return LineParity::None;
    }
}

LineStopBits StopBitsFrom(uint32_t stored)
{
    switch (stored) {
    case 1: return LineStopBits::OneAndHalf;
    case 2: return LineStopBits::Two;
    default: return LineStopBits::One;
    }
}

void SleepFor(uint32_t milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// One timed run of the busy loop, in milliseconds; onPass runs first and
// is timed with it (the lead calibration sends a blank there, as a real
// transmission would).
template <typename OnPass>
double TimedRun(int32_t count, OnPass onPass)
{
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    onPass();
    BusyLoop(count);
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Letter 'G' + nibble; the low nibble of the second frame byte is the data length.
uint32_t DataLengthLetter(char c) { return static_cast<uint32_t>(static_cast<uint8_t>(c) - 'G') & 0x0Fu; }

}  // namespace

int32_t CalibrateCount(double limitMs, const CalibrationRun& run)
{
    // Steps k = 1 ... 32000 stand for the counts 5000 · k. The rule looks for
    // the first step whose loop runs longer than the limit twice in a row and
    // settles one step past it. Running every step on the way, as the rule
    // was first written, costs seconds at the slow rates, and each run near
    // the answer costs the limit itself. The loop's time grows with its
    // count, so the step is found with few runs near the limit: grow the
    // count geometrically, aim twice along the line through two runs, then
    // narrow down to the step by single runs and confirm the step found with
    // a second run.
    const int last = kCalibrationPasses;
    const auto countOf = [](int step) {
        return kCalibrationStart + static_cast<int32_t>(step - 1) * kCalibrationStep;
    };
    const auto timeOf = [&](int step) { return run(countOf(step)); };
    // The step where the line through two runs reaches the limit.
    const auto aim = [&](int stepA, double timeA, int stepB, double timeB) {
        if (stepB < stepA) {
            std::swap(stepA, stepB);
            std::swap(timeA, timeB);
        }
        if (stepB == stepA || timeB <= timeA)
            return std::clamp(2 * std::max(stepA, stepB), 1, last);
        const double perStep = (timeB - timeA) / (stepB - stepA);
        const double steps = std::ceil((limitMs - timeA) / perStep);
        return std::clamp(stepA + static_cast<int>(std::clamp(steps, -double(last), double(last))), 1, last);
    };

    // Double the count until the part of a run that grows with it is an
    // eighth of the limit (a run may also hold a fixed cost, such as sending
    // the blank), then aim along the line through the last two runs, and
    // again from the run there, near the limit, where the line is surest.
    // Runs far below the limit are cheap: the shorter of two, so that one
    // made long by the system does not bend the line.
    const auto steadyTimeOf = [&](int step) { return std::min(timeOf(step), timeOf(step)); };
    const double firstTime = steadyTimeOf(1);
    int lowStep = 1;
    double lowTime = firstTime;
    int farStep = 1;  // the run far below the limit that the aiming starts from
    double farTime = firstTime;
    int guessStep = 0;  // the run near the limit aimed at from there (0: none)
    double guessTime = 0.0;
    while (lowStep < last) {
        const int next = std::min(2 * lowStep, last);
        const double time = steadyTimeOf(next);
        if (time - firstTime > limitMs / 8 || time > limitMs) {
            const int guess = aim(lowStep, lowTime, next, time);
            lowStep = next;
            lowTime = time;
            farStep = next;
            farTime = time;
            if (guess != lowStep) {
                guessStep = guess;
                guessTime = timeOf(guess);
                lowStep = aim(farStep, farTime, guessStep, guessTime);
            }
            break;
        }
        lowStep = next;
        lowTime = time;
    }

    // Narrow down: below is a step not over the limit (0: none), above one
    // over it (one past the last step: none). A loop that runs steadily needs
    // a few runs here; on a busy machine, whose runs scatter by more than a
    // step, the search settles after a few more on the smallest step seen
    // over the limit, which only ever waits longer.
    int below = 0;
    int above = last + 1;
    int runsLeft = kNarrowingRuns;
    const auto narrowed = [&] { return above - below <= 1 || (runsLeft <= 0 && above <= last); };
    // From a probe, each run aims anew along the line from the far run, and
    // strides double away from the probe at least, until the first step over
    // the limit is bracketed.
    const auto bracketFrom = [&](int probe) {
        for (int stride = 1; !narrowed(); stride *= 2) {
            const double time = timeOf(probe);
            --runsLeft;
            const int aimed = aim(farStep, farTime, probe, time);
            if (time > limitMs) {
                above = probe;
                probe = std::max(std::min(aimed, probe - stride), below + 1);
            } else {
                below = probe;
                probe = std::min(std::max(aimed, probe + stride), std::min(above - 1, last));
            }
            if (probe <= below || probe >= above)
                return;
        }
    };
    const auto over = [&](int step) {
        --runsLeft;
        return timeOf(step) > limitMs;
    };
    // The run near the limit already tells one side.
    if (guessStep > 0)
        (guessTime > limitMs ? above : below) = guessStep;
    if (above - below > 1)
        bracketFrom(std::clamp(lowStep, below + 1, std::min(above - 1, last)));
    for (;;) {
        while (!narrowed()) {
            const int middle = below + (above - below) / 2;
            (over(middle) ? above : below) = middle;
        }
        if (above > last || above - below > 1 || runsLeft <= 0)
            break;
        // Twice in a row, as the rule asks: one run made long by the system
        // does not count, and the search goes on above it.
        const double again = timeOf(above);
        --runsLeft;
        if (again > limitMs || above == last)
            break;
        // The loop runs faster than it did a moment ago: aim afresh from
        // this run, above it.
        below = above;
        above = last + 1;
        bracketFrom(std::clamp(aim(farStep, farTime, below, again), below + 1, last));
    }
    // Settled one step past the first one over the limit; with none, past
    // the last step, as counting through every pass would.
    return countOf(std::min(above + 1, last + 1));
}

void BusyLoop(int32_t count)
{
    for (int32_t i = 0; i < count; ++i)
        asm volatile("" ::: "memory");
}

Sio::Sio(std::unique_ptr<SerialLine> line, Sleeper sleeper)
    : m_line(std::move(line)), m_sleeper(sleeper ? std::move(sleeper) : Sleeper(SleepFor))
{
}

Sio::~Sio() { Close(); }

void Sio::Configure(const CommSettings& settings)
{
    std::snprintf(m_requested.name, sizeof m_requested.name, "\\\\.\\COM%u",
                  static_cast<unsigned>(settings.com));
    m_requested.format.baudRate = SupportedBaudRate(settings.baud_rate);
    m_requested.format.parity = ParityFrom(settings.parity);
    m_requested.format.stopBits = StopBitsFrom(settings.stop_bits);
    m_requested.format.dataBits = settings.byte_size;
    m_mode = settings.converter != 0 ? 1 : 0;
}

int Sio::Open()
{
    if (m_open || !m_line) return SIO_CANNOT_OPEN;
    if (!m_line->Open(m_requested.name)) return SIO_CANNOT_OPEN;
    m_open = true;  // from here on the line is ours to close, even if set-up fails
    if (!m_line->ReadState()) return SIO_NOT_OPEN;
    const LineFormat& format = m_requested.format;
    if (format.dataBits < 5 || format.dataBits > 8) return SIO_BAD_DATA_BITS;
    // A port object that was never configured has no speed; no line can run at 0.
    if (format.baudRate == 0 || !m_line->ApplyFormat(format)) return SIO_SET_STATE_FAILED;
    m_answerTimeout = 528000 / format.baudRate + 260;
    if (!RestoreTimeouts()) return SIO_SET_TIMEOUTS_FAILED;
    // A pseudo-terminal has no modem lines; failing to clear them is harmless.
    (void)m_line->SetRts(false);
    (void)m_line->SetDtr(false);
    m_line->Purge();
    m_active = m_requested;
    if (m_mode == 0) {
        m_driverSwitchesRts = m_line->SwitchRtsWhileSending(kDriverRtsLeadMs, kDriverRtsTailMs);
        if (!m_driverSwitchesRts) Calibrate();
    }
    return SIO_OK;
}

bool Sio::RestoreTimeouts()
{
    return m_line->SetTimeouts({kInterCharTimeoutMs, kPerCharTimeoutMs, m_answerTimeout});
}

int Sio::Close()
{
    if (!m_open) return SIO_NOT_OPEN;
    m_line->Purge();
    m_line->Close();
    m_open = false;
    m_driverSwitchesRts = false;
    return SIO_OK;
}

int Sio::Reopen()
{
    (void)Close();
    return Open();
}

void Sio::Calibrate()
{
    const int32_t leadCount = CalibrateCount(kLeadDelayTargetMs, [this](int32_t count) {
        return TimedRun(count, [this] { m_line->WriteChar(' '); });
    });
    m_leadDelay = leadCount / 2;
    const uint32_t baud = m_active.format.baudRate != 0 ? m_active.format.baudRate : kFallbackBaudRate;
    const double charLimitMs = (115200.0 / baud) * 0.12;
    m_charDelay = CalibrateCount(charLimitMs, [](int32_t count) { return TimedRun(count, [] {}); });
}

// Returns when the request has left the wire: the answer's time-out counts
// from there, and a time-out started while a slow line is still sending
// would give up on answers that come in time, and send the request again.
// PROTO_NO_ANSWER when it did not leave within the write time-out: no
// answer can come to a request still stuck in the adapter.
int Sio::Send()
{
    if (!m_open) return 0;  // a lost request shows up as a missing answer
    m_line->Purge();
    if (m_mode == 1 || m_driverSwitchesRts) {
        m_line->Write(m_txText, m_txLength);
        return m_line->Drain() ? 0 : PROTO_NO_ANSWER;
    }
    (void)m_line->SetRts(true);
    BusyLoop(m_leadDelay);
    for (uint32_t i = 0; i < m_txLength; ++i) {
        m_line->WriteChar(m_txText[i]);
        BusyLoop(m_charDelay);
    }
    const bool sent = m_line->Drain();
    (void)m_line->SetRts(false);
    return sent ? 0 : PROTO_NO_ANSWER;
}

ReadOutcome Sio::ReadPortion(uint32_t count)
{
    const uint32_t room = m_rxLength < sizeof m_rxText ? sizeof m_rxText - m_rxLength : 0;
    if (count > room) count = room;
    if (!m_open || count == 0) return {};
    ReadOutcome outcome = m_line->Read(m_rxText + m_rxLength, count);
    if (outcome.count > count) outcome.count = count;
    return outcome;
}

void Sio::Pause(uint32_t milliseconds) { m_sleeper(milliseconds); }

int Sio::MapFrameStatus(int frameStatus) const
{
    switch (frameStatus) {
    case FRAME_OK: return PROTO_OK;
    case FRAME_NERR: return PROTO_NERR;
    case FRAME_BAD_CRC: return PROTO_BAD_CRC;
    case FRAME_NO_BEGIN:
        // The old content of the answer buffer decides: the same character
        // at both places counts as no answer at all.
        return m_txLength > 0 && m_rxText[1] == m_rxText[m_txLength - 1] ? PROTO_NO_ANSWER
                                                                           : PROTO_BAD_ANSWER;
    default: return PROTO_BAD_ANSWER;
    }
}

int Sio::ReceiveAnswer()
{
    uint32_t asked = kMinFrameText;
    bool lengthKnown = false;
    const int reads = m_followLateAnswers ? kMostAnswerReads : 2;
    for (int read = 0; read < reads; ++read) {
        const ReadOutcome got = ReadPortion(asked);
        if (got.endedEmpty) return PROTO_NO_ANSWER;
        const int status = ScanReceived(got.count);
        if (status != FRAME_INCOMPLETE) return MapFrameStatus(status);
        // Nothing more is on its way.
        if (m_followLateAnswers && got.count == 0) break;
        asked -= got.count;
        if (!lengthKnown && m_rxLength >= 5) {
            asked += 2 * DataLengthLetter(m_rxText[4]);
            lengthKnown = true;
        }
    }
    return PROTO_NO_ANSWER;
}

int Sio::Exchange()
{
    Pause(5);
    int result = PROTO_NO_ANSWER;
    for (uint32_t attempt = 1; attempt <= 3; ++attempt) {
        if (attempt > 1) ++m_repeats;
        m_rxLength = 0;
        result = Send();
        if (result == 0) result = ReceiveAnswer();
        if (result == PROTO_OK || result == PROTO_NERR) return result;
        Pause(10 * attempt);
    }
    return result;
}

int Sio::ReadValue(const char* name, unsigned address, bool elevenBit, uint32_t* value, int index)
{
    if (name == nullptr || value == nullptr) return PROTO_BAD_ARGUMENT;
    ResetFrame();
    AppendIndex(index);
    BuildFrameByName(name, true, address, elevenBit);
    const int status = Exchange();
    if (status != PROTO_OK) return status;
    const uint32_t echoed = index != -1 ? 2 : 0;
    const uint32_t count = m_dataLength > echoed ? m_dataLength - echoed : 0;
    uint32_t result = 0;
    for (uint32_t i = 0; i < count; ++i)
        result = (result << 8) | m_data[i];
    *value = result;
    return PROTO_OK;
}

template <typename Build>
int Sio::Transfer(Build build, uint8_t* data, uint32_t* length)
{
    if ((data == nullptr) != (length == nullptr)) return PROTO_BAD_ARGUMENT;
    if (length != nullptr && *length > kMaxFrameData) return PROTO_BAD_ARGUMENT;
    ResetFrame();
    if (data != nullptr) {
        std::memcpy(m_data, data, *length);
        m_dataLength = *length;
    }
    build();
    const int status = Exchange();
    if (status != PROTO_OK) return status;
    if (data != nullptr) {
        std::memcpy(data, m_data, m_dataLength);
        *length = m_dataLength;
    }
    return PROTO_OK;
}

int Sio::TransferByName(const char* name, unsigned request, unsigned address, bool elevenBit,
                        uint8_t* data, uint32_t* length)
{
    if (name == nullptr) return PROTO_BAD_ARGUMENT;
    return Transfer([&] { BuildFrameByName(name, (request & 0xFFu) != 0, address, elevenBit); },
                    data, length);
}

int Sio::TransferByHash(uint16_t id, unsigned request, unsigned address, bool elevenBit,
                        uint8_t* data, uint32_t* length)
{
    return Transfer([&] { BuildFrameByHash(id, (request & 0xFFu) != 0, address, elevenBit); },
                    data, length);
}

int CreateSio(const CommSettings& settings, std::unique_ptr<Sio>* out, std::unique_ptr<SerialLine> line)
{
    if (out == nullptr || !line) return SIO_CANNOT_OPEN;
    out->reset();
    auto sio = std::make_unique<Sio>(std::move(line));
    sio->Configure(settings);
    const int status = sio->Reopen();
    if (status != SIO_OK) return status;
    *out = std::move(sio);
    return SIO_OK;
}
