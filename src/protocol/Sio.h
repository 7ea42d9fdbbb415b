#pragma once
// The port object: one open serial port with the frame buffers of the
// current request and answer, and the request operations the device
// operations call. Used by one thread at a time.

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/SerialLine.h"
#include "protocol/FrameCodec.h"
#include "settings/CommSettings.h"

// Request layer statuses.
enum ProtoStatus : int {
    PROTO_OK = 0,
    PROTO_BAD_ARGUMENT = -1,
    PROTO_NO_ANSWER = -102,
    PROTO_BAD_CRC = -103,
    PROTO_NERR = -104,
    PROTO_BAD_ANSWER = -106,
};

// Opening codes of CreateSio/Open.
enum SioOpenStatus : int {
    SIO_OK = 0,
    SIO_CANNOT_OPEN = -1,      // also: already open, or no output pointer
    SIO_NOT_OPEN = -2,         // Close on a closed port; reading the line state failed on Open
    SIO_BAD_DATA_BITS = -3,
    SIO_SET_STATE_FAILED = -7,
    SIO_SET_TIMEOUTS_FAILED = -8,
};

// Pauses of the exchange go through this so tests can count them.
using Sleeper = std::function<void(uint32_t milliseconds)>;

// The port settings asked for and in force.
struct PortSettingsBlock {
    char name[32] = {};  // "\\.\COM%d"
    LineFormat format;
};

class Sio : public FrameCodec {
public:
    explicit Sio(std::unique_ptr<SerialLine> line, Sleeper sleeper = {});
    virtual ~Sio();

    // Port side.
    void Configure(const CommSettings& settings);
    int Open();
    int Close();
    int Reopen();
    void Calibrate();
    int Send();
    ReadOutcome ReadPortion(uint32_t count);
    // Sets the line's read time-outs of an exchange again (20 ms between
    // characters, the answer time-out in all), after someone who reads the
    // line in another way (the device search) has changed them.
    bool RestoreTimeouts();

    // Request layer.
    int ReadValue(const char* name, unsigned address, bool elevenBit, uint32_t* value, int index);
    int TransferByName(const char* name, unsigned request, unsigned address, bool elevenBit,
                       uint8_t* data, uint32_t* length);
    int TransferByHash(uint16_t id, unsigned request, unsigned address, bool elevenBit,
                       uint8_t* data, uint32_t* length);

    SerialLine& Line() { return *m_line; }
    bool IsOpen() const { return m_open; }
    // Requests sent again because their answer was missing or spoilt, since
    // the object was made. An exchange without one cannot have made the
    // device act twice or skip ahead.
    uint32_t RepeatedRequests() const { return m_repeats; }
    // An answer broken by pauses longer than the gap between characters is
    // read on for as long as each read brings some of it, rather than given
    // up after two reads: given up, it is asked for again, and a device that
    // had already acted on the request (handed out a block, taken one) acts
    // twice. Off, an answer gets its two reads and no more.
    void FollowLateAnswers(bool on) { m_followLateAnswers = on; }

    uint32_t m_answerTimeout = 0;
    int32_t m_mode = 0;  // 1 automatic converter, 0 semi-automatic
    PortSettingsBlock m_active;
    PortSettingsBlock m_requested;
    int32_t m_leadDelay = 0;
    int32_t m_charDelay = 0;

private:
    int Exchange();
    int ReceiveAnswer();
    int MapFrameStatus(int frameStatus) const;
    template <typename Build>
    int Transfer(Build build, uint8_t* data, uint32_t* length);
    void Pause(uint32_t milliseconds);

    std::unique_ptr<SerialLine> m_line;
    Sleeper m_sleeper;
    bool m_open = false;
    // Semi-automatic mode on a driver that switches RTS around each
    // transmission itself (the kernel's RS-485 mode): no busy loops then.
    bool m_driverSwitchesRts = false;
    uint32_t m_repeats = 0;
    bool m_followLateAnswers = false;
    // Each read after the second waits for characters that are coming (the
    // one before brought some), within the port's time-outs.
    static constexpr int kMostAnswerReads = 6;
};

// Makes and opens a port object from the settings. 0 and the object, or a
// negative code and nothing. The line defaults to the platform's.
int CreateSio(const CommSettings& settings, std::unique_ptr<Sio>* out,
              std::unique_ptr<SerialLine> line = MakePlatformSerialLine());

// Busy loop of the semi-automatic mode: counts to n and really takes the time.
void BusyLoop(int32_t count);

// The calibration's rule: stepping through the counts 5000, 10000, ... (at
// most 32000 steps), the count whose loop (timed by run, in milliseconds)
// ran longer than limitMs there and at the step before: one step past the
// first count over the limit, or 160005000 when no step is over it. Found
// in a few dozen runs rather than one run per step.
using CalibrationRun = std::function<double(int32_t count)>;
int32_t CalibrateCount(double limitMs, const CalibrationRun& run);
