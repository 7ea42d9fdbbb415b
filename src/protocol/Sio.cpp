#include "protocol/Sio.h"

#include <chrono>
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

// Finds the busy-loop count whose run takes longer than limitMs twice in a
// row. onPass runs before each timed loop (the lead calibration sends a blank
// there, as a real transmission would).
template <typename OnPass>
int32_t CalibrateCount(double limitMs, OnPass onPass)
{
    using Clock = std::chrono::steady_clock;
    int32_t count = kCalibrationStart;
    double previous = 0.0;
    for (int pass = 0; pass < kCalibrationPasses; ++pass) {
        const auto start = Clock::now();
        onPass();
        BusyLoop(count);
        const double elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (elapsed > limitMs && previous > limitMs) break;
        previous = elapsed;
        count += kCalibrationStep;
    }
    return count;
}

// Letter 'G' + nibble; the low nibble of the second frame byte is the data length.
uint32_t DataLengthLetter(char c) { return static_cast<uint32_t>(static_cast<uint8_t>(c) - 'G') & 0x0Fu; }

}  // namespace

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
    if (!m_line->SetTimeouts({kInterCharTimeoutMs, kPerCharTimeoutMs, m_answerTimeout}))
        return SIO_SET_TIMEOUTS_FAILED;
    // A pseudo-terminal has no modem lines; failing to clear them is harmless.
    (void)m_line->SetRts(false);
    (void)m_line->SetDtr(false);
    m_line->Purge();
    m_active = m_requested;
    if (m_mode == 0) Calibrate();
    return SIO_OK;
}

int Sio::Close()
{
    if (!m_open) return SIO_NOT_OPEN;
    m_line->Purge();
    m_line->Close();
    m_open = false;
    return SIO_OK;
}

int Sio::Reopen()
{
    (void)Close();
    return Open();
}

void Sio::Calibrate()
{
    const int32_t leadCount = CalibrateCount(kLeadDelayTargetMs, [this] { m_line->WriteChar(' '); });
    m_leadDelay = leadCount / 2;
    const uint32_t baud = m_active.format.baudRate != 0 ? m_active.format.baudRate : kFallbackBaudRate;
    const double charLimitMs = (115200.0 / baud) * 0.12;
    m_charDelay = CalibrateCount(charLimitMs, [] {});
}

int Sio::Send()
{
    if (!m_open) return 0;  // a lost request shows up as a missing answer
    m_line->Purge();
    if (m_mode == 1) {
        m_line->Write(m_txText, m_txLength);
        return 0;
    }
    (void)m_line->SetRts(true);
    BusyLoop(m_leadDelay);
    for (uint32_t i = 0; i < m_txLength; ++i) {
        m_line->WriteChar(m_txText[i]);
        BusyLoop(m_charDelay);
    }
    (void)m_line->SetRts(false);
    return 0;
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
    for (int read = 0; read < 2; ++read) {
        const ReadOutcome got = ReadPortion(asked);
        if (got.endedEmpty) return PROTO_NO_ANSWER;
        const int status = ScanReceived(got.count);
        if (status != FRAME_INCOMPLETE) return MapFrameStatus(status);
        asked -= got.count;
        if (m_rxLength >= 5) asked += 2 * DataLengthLetter(m_rxText[4]);
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
        Send();
        result = ReceiveAnswer();
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
