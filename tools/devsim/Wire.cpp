#include "Wire.h"

#include <algorithm>
#include <bitset>
#include <limits>

namespace {

constexpr double kNever = std::numeric_limits<double>::infinity();

double BitUs(const LineFormat& format)
{
    return 1e6 / format.baudRate;
}

uint32_t ParityBits(const LineFormat& format)
{
    return format.parity == LineParity::None ? 0 : 1;
}

double StopBits(const LineFormat& format)
{
    switch (format.stopBits) {
    case LineStopBits::One: return 1.0;
    case LineStopBits::OneAndHalf: return 1.5;
    case LineStopBits::Two: return 2.0;
    }
    return 1.0;
}

// The parity bit that makes the number of ones even (or odd).
uint32_t ParityBit(uint32_t dataOnes, LineParity parity)
{
    const uint32_t odd = dataOnes & 1U;
    return parity == LineParity::Even ? odd : odd ^ 1U;
}

}  // namespace

double Wire::Send(char c, double atUs, const LineFormat& sender)
{
    if (sender.baudRate == 0)
        return std::max(atUs, m_freeUs);
    const uint32_t data = static_cast<uint8_t>(c) & ((1U << sender.dataBits) - 1U);
    uint32_t levels = data << 1;  // the start bit is low
    uint32_t bits = 1 + sender.dataBits;
    if (sender.parity != LineParity::None) {
        levels |= ParityBit(static_cast<uint32_t>(std::bitset<8>(data).count()), sender.parity) << bits;
        ++bits;
    }
    const double start = std::max(atUs, m_freeUs);
    const double bitUs = BitUs(sender);
    m_frames.push_back({start, bitUs, levels, bits});
    m_freeUs = start + (bits + StopBits(sender)) * bitUs;
    return m_freeUs;
}

bool Wire::Level(double atUs) const
{
    const auto after = std::upper_bound(m_frames.begin(), m_frames.end(), atUs,
                                        [](double t, const Frame& frame) { return t < frame.startUs; });
    if (after == m_frames.begin())
        return true;
    const Frame& frame = *(after - 1);
    const auto bit = static_cast<uint32_t>((atUs - frame.startUs) / frame.bitUs);
    return bit >= frame.bits || ((frame.levels >> bit) & 1U) != 0;
}

double Wire::NextLow(double fromUs) const
{
    auto frame = std::upper_bound(m_frames.begin(), m_frames.end(), fromUs,
                                  [](double t, const Frame& f) { return t < f.startUs; });
    if (frame != m_frames.begin())
        --frame;
    for (; frame != m_frames.end(); ++frame) {
        for (uint32_t bit = 0; bit < frame->bits; ++bit) {
            const double begins = frame->startUs + bit * frame->bitUs;
            if (((frame->levels >> bit) & 1U) == 0 && begins + frame->bitUs > fromUs)
                return std::max(begins, fromUs);
        }
    }
    return kNever;
}

std::vector<WireCharacter> Wire::Receive(double untilUs, const LineFormat& receiver)
{
    std::vector<WireCharacter> received;
    if (receiver.baudRate == 0) {
        m_huntFromUs = std::max(m_huntFromUs, untilUs);  // a hung-up receiver hears nothing
        Forget(m_huntFromUs);
        return received;
    }
    const double bitUs = BitUs(receiver);
    const uint32_t bits = 1 + receiver.dataBits + ParityBits(receiver);
    for (;;) {
        const double start = NextLow(m_huntFromUs);
        const double complete = start + (bits + 1) * bitUs;
        if (start == kNever || complete > untilUs)
            break;
        const auto sample = [&](uint32_t bit) { return Level(start + (bit + 0.5) * bitUs); };
        if (sample(0)) {  // too short for a start bit: a glitch
            m_huntFromUs = start + 0.5 * bitUs;
            continue;
        }
        uint32_t value = 0;
        uint32_t ones = 0;
        for (uint32_t bit = 0; bit < receiver.dataBits; ++bit) {
            const bool high = sample(1 + bit);
            value |= static_cast<uint32_t>(high) << bit;
            ones += high ? 1U : 0U;
        }
        bool error = false;
        if (receiver.parity != LineParity::None)
            error = sample(bits - 1) != (ParityBit(ones, receiver.parity) != 0);
        // Only the first stop bit is checked, as UARTs do.
        error = error || !sample(bits);
        received.push_back({complete, static_cast<char>(value), error});
        m_huntFromUs = start + (bits + 0.5) * bitUs;
    }
    Forget(m_huntFromUs);
    return received;
}

double Wire::NextCharacterUs(const LineFormat& receiver) const
{
    if (receiver.baudRate == 0)
        return kNever;
    const double start = NextLow(m_huntFromUs);
    return start == kNever ? kNever : start + (2 + receiver.dataBits + ParityBits(receiver)) * BitUs(receiver);
}

void Wire::Forget(double beforeUs)
{
    while (!m_frames.empty()) {
        const Frame& frame = m_frames.front();
        if (frame.startUs + frame.bits * frame.bitUs > beforeUs)
            break;
        m_frames.pop_front();
    }
}
