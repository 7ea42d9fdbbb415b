#pragma once
// The search for devices on one port: the candidates of SearchOrder probed
// group by group, every answer heard confirmed with a normal
// identification ("dev" and "ver", with the exchange's time-outs and
// retries) before the device is reported. Runs on the calling thread, which
// alone touches the port while it runs.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/LineProbe.h"
#include "device/SearchOrder.h"
#include "platform/SerialLine.h"
#include "protocol/Sio.h"
#include "settings/CommSettings.h"

// A device that answered and was identified.
struct FoundDevice {
    std::string port;        // the port as its owner names it
    CommSettings settings;   // what it answered on: port, rate, format, address and width
    std::optional<std::u16string> model;    // missing when it has no "dev" (it answered nErr)
    std::optional<std::u16string> version;  // likewise for "ver"
};

// Where the search of a port stands, for a progress display.
struct PortSearchProgress {
    CommSettings trying{};  // the candidate being probed or confirmed
    uint64_t done = 0;      // candidates probed
    uint64_t total = 0;
    bool confirming = false;
};

enum class PortSearchEnd : uint8_t {
    Searched,   // every candidate tried (devices found or not)
    Found,      // stopped at the first device, as asked
    Cancelled,
    NotOpened,  // the port could not be opened (failure tells why)
    Lost,       // the port went away during the search
};

class PortSearch {
public:
    using LineFactory = std::function<std::unique_ptr<SerialLine>()>;
    using FoundCallback = std::function<void(const FoundDevice&)>;

    // stored: the settings to start from, with the port to search.
    PortSearch(std::string portName, const CommSettings& stored, const SearchScope& scope);

    void SetLineFactory(LineFactory factory) { m_lineFactory = std::move(factory); }
    // The exchanges' pauses and the probes' clock: virtual in tests.
    void SetTime(Sleeper sleeper, MicroClock clock);

    // stopAtFirst: end at the first device confirmed. Otherwise the group
    // (rate, format, width) that devices answered in is searched to its end,
    // and the search ends there: the devices of one line share its rate and
    // format. onFound runs on this thread.
    PortSearchEnd Run(const std::atomic<bool>& cancel, bool stopAtFirst, const FoundCallback& onFound);

    PortSearchProgress Progress() const;
    const std::string& PortName() const { return m_portName; }
    // Why the port did not open or was lost, in the user's words.
    const std::string& Failure() const { return m_failure; }
    // The groups, in the order they are searched.
    const std::vector<ProbeGroup>& Groups() const { return m_groups; }

private:
    struct Answered {
        uint16_t address;
        std::vector<uint8_t> data;
        bool nerr;
        bool collided;  // two different answers came from this address
    };

    bool OpenFor(const CommSettings& settings);
    void Note(std::vector<Answered>& answered, std::vector<HeardAnswer> heard);
    // Confirms the answers not yet confirmed; true when a device was and
    // the search is to stop there.
    bool ConfirmAll(std::vector<Answered>& answered, std::size_t& confirmedUpTo, const CommSettings& group,
                    const std::atomic<bool>& cancel, bool stopAtFirst, const FoundCallback& onFound, bool& foundAny);
    std::optional<FoundDevice> Confirm(const CommSettings& settings, const std::atomic<bool>& cancel);
    void SetProgress(const CommSettings& trying, bool confirming);
    bool PortGone();

    std::string m_portName;
    CommSettings m_stored;
    std::vector<ProbeGroup> m_groups;
    LineFactory m_lineFactory;
    Sleeper m_sleeper;
    MicroClock m_clock;
    std::unique_ptr<Sio> m_port;
    std::string m_failure;

    mutable std::mutex m_progressLock;
    PortSearchProgress m_progress;
};
