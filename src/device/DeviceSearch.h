#pragma once
// The device search on several ports at once, each port with its own port
// object and thread: what the command line's scan and the wizard's search
// button both run. Front ends read the progress and the devices found
// while it runs, from their own thread.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "device/PortSearch.h"

struct PortSearchOutcome {
    std::string port;
    PortSearchEnd end = PortSearchEnd::Searched;
    std::string failure;  // why it did not open, or went away
};

class DeviceSearch {
public:
    DeviceSearch() = default;
    ~DeviceSearch();
    DeviceSearch(const DeviceSearch&) = delete;
    DeviceSearch& operator=(const DeviceSearch&) = delete;

    void AddPort(std::unique_ptr<PortSearch> port) { m_ports.push_back(std::move(port)); }
    const std::vector<std::unique_ptr<PortSearch>>& Ports() const { return m_ports; }

    // Searches every port at once and returns when all have ended;
    // whileWaiting runs on the calling thread meanwhile. stopAtFirst: the
    // first device confirmed on any port ends the search on all.
    void Run(bool stopAtFirst, const std::function<void()>& whileWaiting = {});
    // The same beside the caller, for a window that keeps drawing.
    void Start(bool stopAtFirst);
    bool Finished() const { return m_finished; }
    void Wait();

    // Ends the search after the probe or request in progress.
    void Cancel() { m_cancelled = true; m_stop = true; }
    bool Cancelled() const { return m_cancelled; }

    std::vector<FoundDevice> Found() const;
    std::vector<PortSearchOutcome> Outcomes() const;
    // Candidates probed and to probe, over all ports.
    uint64_t Done() const;
    uint64_t Total() const;

private:
    std::vector<std::unique_ptr<PortSearch>> m_ports;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_cancelled{false};
    std::atomic<bool> m_finished{false};
    std::thread m_runner;
    mutable std::mutex m_lock;
    std::vector<FoundDevice> m_found;
    std::vector<PortSearchOutcome> m_outcomes;
};
