#include "device/PortThreads.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

bool RunOnEachPort(const std::vector<std::function<void()>>& jobs, const std::function<bool()>& keepWaiting)
{
    // Shared with the threads: one left running may end after we return.
    auto running = std::make_shared<std::atomic<std::size_t>>(jobs.size());
    std::vector<std::thread> threads;
    threads.reserve(jobs.size());
    for (const auto& job : jobs) {
        threads.emplace_back([job, running] {
            job();
            --*running;
        });
    }
    while (*running > 0) {
        if (keepWaiting && !keepWaiting()) {
            for (std::thread& thread : threads) thread.detach();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    for (std::thread& thread : threads) thread.join();
    return true;
}
