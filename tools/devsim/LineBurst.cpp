#include "LineBurst.h"

#include <cmath>

bool LineBurst::Active(double atUs) const
{
    if (m_timing.durationMs == 0 || m_timing.periodMs == 0) return false;
    const double periodUs = m_timing.periodMs * 1000.0;
    return atUs >= periodUs && std::fmod(atUs, periodUs) < m_timing.durationMs * 1000.0;
}

std::optional<char> LineBurst::Pass(char c, double atUs)
{
    if (!Active(atUs)) return c;
    const uint32_t draw = m_random();
    if ((draw & 1) != 0) return std::nullopt;
    // Garbled: at least one bit flipped.
    const auto flip = static_cast<unsigned char>(1 + (draw >> 1) % 255);
    return static_cast<char>(static_cast<unsigned char>(c) ^ flip);
}
