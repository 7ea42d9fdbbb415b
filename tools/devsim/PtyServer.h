#pragma once
// Serves a DeviceModel on a pseudo-terminal as a device on a real line. The
// program under test opens the terminal's slave end like a serial port; the
// server reads requests at the master end and writes the answers back. The
// line between them is played bit by bit: the PC's characters take their
// time at the rate and in the format the PC set on its end of the terminal,
// the device's UART hears them in its own format (another rate or format
// gives it garbage, as on a real line), it hears while it answers unless it
// sits on a two-wire bus, and a USB adapter's latency timer can hold the
// answers back on their way to the PC.

#include <signal.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "DeviceModel.h"
#include "LineBurst.h"
#include "Wire.h"
#include "platform/TerminalSpeed.h"
#include "platform/UniqueFd.h"

struct DeviceLine {
    LineFormat format {115200, LineParity::None, LineStopBits::One, 8};
    // Deaf while answering, as a device on a two-wire RS-485 bus; otherwise
    // it hears while it answers, as on RS-232.
    bool halfDuplex = false;
    // Answers reach the PC only at the ticks of a USB adapter's latency
    // timer of this period; 0: as soon as they are in.
    uint32_t adapterLatencyMs = 0;
    // Bursts of noise that garble or drop the device's characters.
    BurstTiming burst;
};

class PtyServer {
public:
    PtyServer(DeviceModel& device, const DeviceLine& line);
    // Another device on the same line, as on an RS-485 bus: it hears every
    // request, answers at its own address, and its answers share the wire
    // with the others' (two at once collide).
    void AddDevice(DeviceModel& device);
    // While *flag is set the devices are off the line: they hear nothing,
    // as when a device behind an adapter that stays plugged in is swapped.
    void SetUnplugged(const volatile sig_atomic_t* flag) { m_unplugged = flag; }

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
    void ReadPcFormat();
    void ReadRequests(double nowUs);
    void HandRequestsToDevice(double nowUs);
    void ScheduleAnswer(std::size_t device, const Answer& answer, double requestEndUs);
    void PassAnswersToPc(double nowUs);
    double AdapterDeliveryUs(double receivedUs) const;
    void WriteDueAnswers(double nowUs);
    double NextEventUs() const;

    struct OnTheLine {
        DeviceModel* device;
        double lastSpokenUs = 0.0;  // the end of its last answer
    };

    std::vector<OnTheLine> m_devices;
    const volatile sig_atomic_t* m_unplugged = nullptr;
    DeviceLine m_line;
    UniqueFd m_master;
    // Held open so the master never sees a hang-up while the program under
    // test has closed the port between two jobs.
    UniqueFd m_slave;
    std::string m_slavePath;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();

    TerminalFormat m_pc;        // what the PC set on its end of the terminal
    Wire m_requests;            // PC to device
    Wire m_answers;             // device to PC
    LineBurst m_burst;
    std::deque<Timed> m_toPc;   // received at the PC's end, with the time they are passed on
};
