#include "device/DeviceSearch.h"

#include "device/PortThreads.h"

DeviceSearch::~DeviceSearch()
{
    Cancel();
    Wait();
}

void DeviceSearch::Run(bool stopAtFirst, const std::function<void()>& whileWaiting)
{
    m_finished = false;
    {
        std::lock_guard guard(m_lock);
        m_outcomes.assign(m_ports.size(), {});
    }
    std::vector<std::function<void()>> jobs;
    for (std::size_t i = 0; i < m_ports.size(); ++i) {
        jobs.push_back([this, i, stopAtFirst] {
            PortSearch& port = *m_ports[i];
            const PortSearchEnd end = port.Run(m_stop, stopAtFirst, [this, stopAtFirst](const FoundDevice& device) {
                std::lock_guard guard(m_lock);
                m_found.push_back(device);
                if (stopAtFirst) m_stop = true;
            });
            std::lock_guard guard(m_lock);
            m_outcomes[i] = {port.PortName(), end, port.Failure()};
        });
    }
    RunOnEachPort(jobs, [&whileWaiting] {
        if (whileWaiting) whileWaiting();
        return true;
    });
    m_finished = true;
}

void DeviceSearch::Start(bool stopAtFirst)
{
    m_finished = false;
    m_runner = std::thread([this, stopAtFirst] { Run(stopAtFirst); });
}

void DeviceSearch::Wait()
{
    if (m_runner.joinable()) m_runner.join();
}

std::vector<FoundDevice> DeviceSearch::Found() const
{
    std::lock_guard guard(m_lock);
    return m_found;
}

std::vector<PortSearchOutcome> DeviceSearch::Outcomes() const
{
    std::lock_guard guard(m_lock);
    return m_outcomes;
}

uint64_t DeviceSearch::Done() const
{
    uint64_t done = 0;
    for (const auto& port : m_ports) done += port->Progress().done;
    return done;
}

uint64_t DeviceSearch::Total() const
{
    uint64_t total = 0;
    for (const auto& port : m_ports) total += port->Progress().total;
    return total;
}
