#pragma once
// Serves a DeviceModel on a pseudo-terminal. The program under test opens
// the terminal's slave end like a serial port; the server reads requests at
// the master end and writes the answers back, optionally taking for every
// character the time it would take on a real line.

#include <signal.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <string>

#include "DeviceModel.h"
#include "platform/UniqueFd.h"

class PtyServer {
public:
    // baud 0: characters take no time.
    PtyServer(DeviceModel& device, uint32_t baud, uint32_t bitsPerCharacter);

    // Creates the terminal; false with the reason.
    bool Create(std::string& error);
    const std::string& SlavePath() const { return m_slavePath; }

    // Serves until stop becomes true. Signals are taken only while waiting:
    // the caller blocks them and passes the mask to wait with.
    void Run(const volatile sig_atomic_t& stop, const sigset_t& waitMask);

private:
    struct Timed {
        double atUs;
        char c;
    };

    double NowUs() const;
    void ReadRequests(double nowUs);
    void HandDueRequestsToDevice(double nowUs);
    void ScheduleAnswer(const Answer& answer, double requestEndUs);
    void WriteDueAnswers(double nowUs);
    double NextEventUs() const;

    DeviceModel& m_device;
    double m_charUs = 0.0;
    UniqueFd m_master;
    // Held open so the master never sees a hang-up while the program under
    // test has closed the port between two jobs.
    UniqueFd m_slave;
    std::string m_slavePath;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();

    std::deque<Timed> m_heard;     // request characters with the time they end on the line
    std::deque<Timed> m_speaking;  // answer characters with the time they are complete
    double m_lastHeardUs = 0.0;
    double m_lastSpokenUs = 0.0;
};
