#pragma once
// One direction of a serial line, bit by bit. The sender puts characters on
// the wire at its own rate and in its own format; the receiver's UART, set
// to its own, finds start bits, samples each bit in its middle and checks
// parity and the stop bit, as a real one does. In the same format every
// character comes through as it was sent; at another rate or format the
// receiver gets what a real line gives it: garbage, framing and parity
// errors, or (for a stop bit more or less) the characters after all.
// Several senders may share the wire, as devices on one bus do: the line is
// low while any of them drives it low, so answers that overlap in time
// reach the receiver as the garbage a real collision gives.

#include <cstdint>
#include <deque>
#include <vector>

#include "platform/SerialLine.h"

struct WireCharacter {
    double atUs = 0.0;   // when the receiver has it: the end of its first stop bit
    char c = 0;
    bool error = false;  // framing or parity error
};

class Wire {
public:
    // Puts c on the wire at atUs, or right after what is still being sent;
    // returns the time its last stop bit ends. A sender at rate 0 (a line
    // hung up) sends nothing.
    // sender tells the devices on a bus apart; each sends one character
    // after the other, independently of the others.
    double Send(char c, double atUs, const LineFormat& sender, std::size_t senderIndex = 0);
    // What a receiver set to this format makes of the wire up to untilUs.
    std::vector<WireCharacter> Receive(double untilUs, const LineFormat& receiver);
    // When Receive next has a character for such a receiver; infinity when
    // nothing is on its way.
    double NextCharacterUs(const LineFormat& receiver) const;
    // The end of the last character sent.
    double BusyUntilUs(std::size_t senderIndex = 0) const;

private:
    // One character's start, data and parity bits; afterwards the line
    // rests high (stop bits, then idle).
    struct Frame {
        double startUs;
        double bitUs;
        uint32_t levels;  // bit i: the level of bit i, 1 high
        uint32_t bits;
    };

    struct Sender {
        std::deque<Frame> frames;
        double freeUs = 0.0;
        bool Level(double atUs) const;
        double NextLow(double fromUs) const;
    };

    bool Level(double atUs) const;
    // The first moment from fromUs on that the line is low; infinity if none.
    double NextLow(double fromUs) const;
    void Forget(double beforeUs);
    Sender& SenderAt(std::size_t index);

    std::vector<Sender> m_senders = std::vector<Sender>(1);
    double m_huntFromUs = 0.0;  // where the receiver looks for the next start bit
};
