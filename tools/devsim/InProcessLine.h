#pragma once
// A serial line that ends in a DeviceModel in the same process, or in
// answers a test scripts. Time is virtual: nothing sleeps, and a read returns
// what would have arrived within its time-outs. As on a real line, a write
// returns as soon as the text is handed over and the characters then take
// their time on the wire; the device hears each when its last bit is in,
// also while it is answering (full duplex), and only Drain waits for the
// wire. Everything done to the line is recorded so tests can check the
// order of events.

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "DeviceModel.h"
#include "platform/SerialLine.h"

enum class LineEventKind : uint8_t {
    Open, Close, Format, Timeouts, Rts, Dtr, Purge, Write, WriteChar, Drain, DriverRts, Read,
};

struct LineEvent {
    LineEventKind kind;
    uint64_t atUs = 0;
    std::string text;      // Open: port name; Write: the text; WriteChar: the character; Read: what was delivered
    uint32_t value = 0;    // Rts/Dtr: 1 high, 0 low; Read: characters asked for; DriverRts: 1 accepted
    bool endedEmpty = false;
};

// Set-up steps that can be made to fail, as a driver might.
struct LineFailures {
    bool open = false;
    bool readState = false;
    bool format = false;
    bool timeouts = false;
    bool modemLines = false;  // RTS and DTR, like a pseudo-terminal
};

class InProcessLine : public SerialLine {
public:
    // device may be null: then only scripted answers come back.
    explicit InProcessLine(DeviceModel* device = nullptr, LineFailures failures = {});

    // The answer to the next request: played when the next carriage return
    // has been written, before (and instead of) the device's own answer.
    void Script(Answer answer) { m_script.push_back(std::move(answer)); }
    // Characters take their time on the line at the set baud rate; off, they
    // arrive together with the end of their piece.
    void EmulateCharacterTime(bool on) { m_emulateCharTime = on; }
    // Makes the driver accept switching RTS around each transmission (an
    // RS-485 capable UART); by default it refuses, as most do.
    void OfferDriverRts(bool on) { m_offersDriverRts = on; }
    // A transmitter that has stopped (a stalled USB adapter): what is
    // written never leaves, and each drain waits out its time-out.
    void StallTransmitter(bool on) { m_stalled = on; }
    // More devices on the same line, as on a bus: each hears every request
    // and answers at its own address; answers that overlap in time collide
    // and arrive as garbage.
    void AddDevice(DeviceModel* device) { m_busDevices.push_back(device); }
    // The devices' own rate and format: a PC set otherwise reaches none of
    // them (stop bits aside, which a line cannot tell apart). Unset, the
    // devices take whatever the PC set.
    void SetDeviceFormat(const LineFormat& format) { m_deviceFormat = format; }
    // The latency the line says it has (a USB adapter's timer).
    void SetLatency(std::optional<uint32_t> milliseconds) { m_latencyMs = milliseconds; }
    std::optional<uint32_t> LatencyMs() const override { return m_latencyMs; }
    void Advance(uint32_t milliseconds) { m_nowUs += uint64_t{milliseconds} * 1000; }
    uint64_t NowUs() const { return m_nowUs; }

    const std::vector<LineEvent>& Events() const { return m_events; }
    std::vector<LineEvent> EventsOf(LineEventKind kind) const;
    // The texts written, whole or character by character, one per request.
    std::vector<std::string> Requests() const;
    const LineFormat& Format() const { return m_format; }
    const LineTimeouts& Timeouts() const { return m_timeouts; }
    bool Rts() const { return m_rts; }

    bool Open(const std::string& portName) override;
    LineOpenError LastOpenError() const override;
    std::string LastOpenDetail() const override;
    bool IsOpen() const override { return m_open; }
    void Close() override;
    bool ReadState() override { return !m_failures.readState; }
    bool ApplyFormat(const LineFormat& format) override;
    bool SetTimeouts(const LineTimeouts& timeouts) override;
    bool SetRts(bool high) override;
    bool SetDtr(bool high) override;
    void Purge() override;
    void Write(const char* text, std::size_t length) override;
    void WriteChar(char c) override;
    bool Drain() override;
    bool SwitchRtsWhileSending(uint32_t leadMs, uint32_t tailMs) override;
    ReadOutcome Read(char* into, uint32_t count) override;

private:
    struct Arrival {
        uint64_t atUs;
        char c;
        std::size_t source = 0;  // which device on the line sent it
    };

    uint64_t CharTimeUs() const;
    void Transmit(const char* text, std::size_t length);
    // The far end hears the next character the PC sent, at the time it is in.
    void HearNext();
    void HearUntil(uint64_t atUs);
    void Schedule(const Answer& answer, uint64_t fromUs, std::size_t source = 0);
    bool DevicesHear() const;
    void Record(LineEventKind kind, std::string text = {}, uint32_t value = 0, bool endedEmpty = false);

    DeviceModel* m_device;
    LineFailures m_failures;
    bool m_open = false;
    bool m_rts = false;
    bool m_emulateCharTime = true;
    bool m_offersDriverRts = false;
    bool m_stalled = false;
    std::size_t m_stuck = 0;  // characters held by the stalled transmitter
    LineFormat m_format;
    LineTimeouts m_timeouts;
    uint64_t m_nowUs = 0;
    std::deque<Arrival> m_outgoing;  // written, with the time each is off the wire
    std::deque<Arrival> m_incoming;
    std::deque<Answer> m_script;
    std::vector<DeviceModel*> m_busDevices;
    std::optional<LineFormat> m_deviceFormat;
    std::optional<uint32_t> m_latencyMs = 0;
    std::vector<LineEvent> m_events;
};
