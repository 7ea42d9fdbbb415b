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

Wire::Sender& Wire::SenderAt(std::size_t index)
{
    if (index >= m_senders.size())
        m_senders.resize(index + 1);
    return m_senders[index];
}

double Wire::BusyUntilUs(std::size_t senderIndex) const
{
    return senderIndex < m_senders.size() ? m_senders[senderIndex].freeUs : 0.0;
}

double Wire::Send(char c, double atUs, const LineFormat& sender, std::size_t senderIndex)
{
    Sender& track = SenderAt(senderIndex);
    if (sender.baudRate == 0)
        return std::max(atUs, track.freeUs);
    const uint32_t data = static_cast<uint8_t>(c) & ((1U << sender.dataBits) - 1U);
    uint32_t levels = data << 1;  // the start bit is low
    uint32_t bits = 1 + sender.dataBits;
    if (sender.parity != LineParity::None) {
        levels |= ParityBit(static_cast<uint32_t>(std::bitset<8>(data).count()), sender.parity) << bits;
        ++bits;
    }
    const double start = std::max(atUs, track.freeUs);
    const double bitUs = BitUs(sender);
    track.frames.push_back({start, bitUs, levels, bits});
    track.freeUs = start + (bits + StopBits(sender)) * bitUs;
    return track.freeUs;
}

bool Wire::Level(double atUs) const
{
    return std::all_of(m_senders.begin(), m_senders.end(), [atUs](const Sender& s) { return s.Level(atUs); });
}

double Wire::NextLow(double fromUs) const
{
    double first = kNever;
    for (const Sender& sender : m_senders)
        first = std::min(first, sender.NextLow(fromUs));
    return first;
}

bool Wire::Sender::Level(double atUs) const
{
    const auto after = std::upper_bound(frames.begin(), frames.end(), atUs,
                                        [](double t, const Frame& frame) { return t < frame.startUs; });
    if (after == frames.begin())
        return true;
    const Frame& frame = *(after - 1);
    const auto bit = static_cast<uint32_t>((atUs - frame.startUs) / frame.bitUs);
    return bit >= frame.bits || ((frame.levels >> bit) & 1U) != 0;
}

double Wire::Sender::NextLow(double fromUs) const
{
    auto frame = std::upper_bound(frames.begin(), frames.end(), fromUs,
                                  [](double t, const Frame& f) { return t < f.startUs; });
    if (frame != frames.begin())
        --frame;
    for (; frame != frames.end(); ++frame) {
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
    for (Sender& sender : m_senders) {
        while (!sender.frames.empty()) {
            const Frame& frame = sender.frames.front();
            if (frame.startUs + frame.bits * frame.bitUs > beforeUs)
                break;
            sender.frames.pop_front();
        }
    }
}
