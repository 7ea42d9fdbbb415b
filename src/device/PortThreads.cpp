#include "device/PortThreads.h"

#include <atomic>
#include <chrono>
#include <thread>

void RunOnEachPort(const std::vector<std::function<void()>>& jobs, const std::function<void()>& whileWaiting)
{
    std::atomic<std::size_t> running{jobs.size()};
    std::vector<std::thread> threads;
    threads.reserve(jobs.size());
    for (const auto& job : jobs) {
        threads.emplace_back([&job, &running] {
            job();
            --running;
        });
    }
    while (running > 0) {
        if (whileWaiting) whileWaiting();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    for (std::thread& thread : threads) thread.join();
}
