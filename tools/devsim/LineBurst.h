#pragma once
// Bursts of noise on the device's answers, as a motor starting beside the
// cable makes them: for a while every character the device sends is
// garbled or lost, then the line is clean again until the next burst.

#include <cstdint>
#include <optional>
#include <random>

struct BurstTiming {
    uint32_t durationMs = 0;  // how long each burst lasts; 0: no bursts
    uint32_t periodMs = 0;    // from the start of one burst to the next; the first after one period
    uint32_t seed = 1;        // which characters are garbled and which lost
};

class LineBurst {
public:
    explicit LineBurst(const BurstTiming& timing) : m_timing(timing), m_random(timing.seed) {}

    bool Active(double atUs) const;
    // What reaches the line of a character the device starts sending at
    // atUs: the character itself outside a burst; inside one, either
    // another character or nothing, as chance has it.
    std::optional<char> Pass(char c, double atUs);

private:
    BurstTiming m_timing;
    std::mt19937 m_random;
};
