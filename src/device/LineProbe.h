#pragma once
// The search's probe: one "dev" read request to one address, sent once,
// with an answer wait derived from the line rather than the full answer
// time-out. The line is listened to all the time between probes, and every
// well-formed answer heard is put down to the address it carries, also one
// that comes late, during a later probe: a slow device is found all the
// same, at its own address.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "protocol/FrameCodec.h"
#include "protocol/Sio.h"

// Microseconds on the clock the line runs by (virtual in tests).
using MicroClock = std::function<uint64_t()>;
MicroClock SteadyMicroClock();

// How long a probe takes on this line, in microseconds.
struct ProbeTiming {
    uint64_t characterUs = 0;  // one character at the rate and format
    uint64_t requestUs = 0;    // the request's 14 characters on the wire
    // After the request has left the wire: the device's turnaround, the
    // answer's first character, the port's latency and a margin for the
    // system's scheduling. An answer begun by then is read to its end.
    uint64_t waitUs = 0;
    // How long an answer may still come after the last probe: the answer
    // time-out of a normal exchange, past which no exchange would take it.
    uint64_t lateUs = 0;
};

// latencyMs: what the port says of its latency; a port that cannot tell
// (a driver on Windows that keeps its timer to itself) is taken to have
// the 16 ms most adapters come with.
ProbeTiming ProbeTimingFor(const LineFormat& format, std::optional<uint32_t> latencyMs);

// An answer to "dev" heard on the line.
struct HeardAnswer {
    uint16_t address = 0;
    bool nerr = false;          // the device has no "dev" but is there
    std::vector<uint8_t> data;  // the model text as sent (last character first)
};

class LineProbe {
public:
    LineProbe(Sio& port, MicroClock clock);

    // A new rate, format or address width: what was heard is forgotten.
    void Begin(bool elevenBit, const ProbeTiming& timing);
    // Reads the line until deadlineUs; an answer begun by then is read to
    // its end (or until the line falls silent in it).
    void ListenUntil(uint64_t deadlineUs);
    // The pause before the request (spent listening), then the request to
    // address; returns when it has left the wire, and the time it did.
    uint64_t SendProbe(uint16_t address);
    // One whole probe: the pause, the request and the wait.
    void Probe(uint16_t address);
    // The pause before a request alone, spent listening.
    void Pause();
    std::vector<HeardAnswer> TakeAnswers();
    // Characters that made no answer were heard (noise, a collision, a
    // device at another format) since the last call.
    bool TakeNoise();
    uint64_t Now() const { return m_clock(); }

private:
    void Take(const char* characters, uint32_t count);
    void Decode();

    Sio& m_port;
    MicroClock m_clock;
    bool m_elevenBit = false;
    ProbeTiming m_timing;
    std::string m_frame;  // the answer being received, from its '#'
    bool m_inFrame = false;
    bool m_noise = false;
    FrameCodec m_codec;
    std::vector<HeardAnswer> m_answers;
};
