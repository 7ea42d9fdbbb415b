#pragma once
// The serial line as the port object needs it: the seam between the protocol
// and whatever the platform offers (termios on Linux, the comm API on Windows,
// an in-process line or a recorder in tests).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

enum class LineParity : uint8_t { None, Odd, Even };
enum class LineStopBits : uint8_t { One, OneAndHalf, Two };

// Character format and speed, in the line's own terms.
struct LineFormat {
    uint32_t baudRate = 0;
    LineParity parity = LineParity::None;
    LineStopBits stopBits = LineStopBits::One;
    uint8_t dataBits = 8;
};

// A read ends when all characters asked for have arrived, when interCharMs
// pass between two characters, or after n * perCharMs + constantMs in all.
struct LineTimeouts {
    uint32_t interCharMs = 0;
    uint32_t perCharMs = 0;
    uint32_t constantMs = 0;
};

// Result of one read: the characters delivered, or endedEmpty when the read
// was started and then ended without delivering anything (time-out, a line
// that vanished). A read that could not even start delivers 0 with
// endedEmpty false.
struct ReadOutcome {
    uint32_t count = 0;
    bool endedEmpty = false;
};

// Why an open failed; the port object maps every failure to its one code,
// but the user deserves to know when the device is there and only the
// permission is missing.
enum class LineOpenError : uint8_t { None, NotFound, NoPermission, Busy, Other };

class SerialLine {
public:
    virtual ~SerialLine() = default;

    // portName is "\\.\COMn" (resolved through the port map) or a device path.
    virtual bool Open(const std::string& portName) = 0;
    virtual LineOpenError LastOpenError() const = 0;
    // The port or device path of the last failed open; for a failure of
    // kind Other also the system's own reason.
    virtual std::string LastOpenDetail() const = 0;
    virtual bool IsOpen() const = 0;
    virtual void Close() = 0;

    // False when the opened device is not a serial line at all.
    virtual bool ReadState() = 0;
    virtual bool ApplyFormat(const LineFormat& format) = 0;
    virtual bool SetTimeouts(const LineTimeouts& timeouts) = 0;
    virtual bool SetRts(bool high) = 0;
    virtual bool SetDtr(bool high) = 0;
    // Discards whatever is pending in either direction.
    virtual void Purge() = 0;
    // Hands the whole text to the line and returns when it has been taken,
    // which may be before it has left the wire.
    virtual void Write(const char* text, std::size_t length) = 0;
    // Sends one character ahead of anything queued (semi-automatic converters).
    virtual void WriteChar(char c) = 0;
    // Returns when everything written has left the wire, last stop bit
    // included: the answer's time-out must not start while the request is
    // still being sent, nor may RTS fall under its last character. False
    // when it has not left within the write time-out (one character time
    // per character plus the constant of the time-outs set): a stalled
    // adapter must not hold the caller for ever.
    virtual bool Drain() = 0;
    // Asks the driver to raise RTS for every transmission, leadMs before
    // its first character, and to lower it tailMs after its last one, as an
    // RS-485 converter without its own direction control needs. True when
    // the driver does so from now on (until the line is closed); false when
    // it cannot, and the caller switches RTS itself.
    virtual bool SwitchRtsWhileSending(uint32_t leadMs, uint32_t tailMs) = 0;
    virtual ReadOutcome Read(char* into, uint32_t count) = 0;
    // True once the other end of an open line has gone (the adapter was
    // pulled out, the terminal hung up): nothing will pass again until the
    // port is opened anew. A line that cannot tell says false.
    virtual bool Lost() { return false; }
    // How long the port may hold received characters before passing them
    // on (a USB adapter's latency timer), in milliseconds, where the system
    // tells it; nullopt where it cannot be told.
    virtual std::optional<uint32_t> LatencyMs() const { return std::nullopt; }
};

// The platform's real serial line.
std::unique_ptr<SerialLine> MakePlatformSerialLine();
