#pragma once
// Auto-reset events: a set is signalled and stays so until one wait
// reports it, which resets it. A group of them can be waited on together,
// the lowest index winning when several are set (the worker's priorities).

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

class AutoResetEvent {
public:
    void Set();
    void Reset();
    // Waits until set (and resets it); false on time-out. No limit when
    // timeoutMs is kInfinite.
    bool Wait(uint32_t timeoutMs);
    static constexpr uint32_t kInfinite = UINT32_MAX;

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_set = false;
};

class AutoResetEventSet {
public:
    explicit AutoResetEventSet(int count) : m_set(static_cast<std::size_t>(count), false) {}
    void Set(int index);
    void Reset(int index);
    void ResetAll();
    // The index of the first set event (now reset), or -1 after timeoutMs.
    int WaitAny(uint32_t timeoutMs);

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::vector<bool> m_set;
};
