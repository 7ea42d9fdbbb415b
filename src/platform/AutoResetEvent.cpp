#include "platform/AutoResetEvent.h"

void AutoResetEvent::Set()
{
    {
        std::lock_guard lock(m_mutex);
        m_set = true;
    }
    m_cv.notify_one();
}

void AutoResetEvent::Reset()
{
    std::lock_guard lock(m_mutex);
    m_set = false;
}

bool AutoResetEvent::Wait(uint32_t timeoutMs)
{
    std::unique_lock lock(m_mutex);
    auto isSet = [this] { return m_set; };
    if (timeoutMs == kInfinite)
        m_cv.wait(lock, isSet);
    else if (!m_cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), isSet))
        return false;
    m_set = false;
    return true;
}

void AutoResetEventSet::Set(int index)
{
    {
        std::lock_guard lock(m_mutex);
        m_set[static_cast<std::size_t>(index)] = true;
    }
    m_cv.notify_all();
}

void AutoResetEventSet::Reset(int index)
{
    std::lock_guard lock(m_mutex);
    m_set[static_cast<std::size_t>(index)] = false;
}

void AutoResetEventSet::ResetAll()
{
    std::lock_guard lock(m_mutex);
    m_set.assign(m_set.size(), false);
}

int AutoResetEventSet::WaitAny(uint32_t timeoutMs)
{
    std::unique_lock lock(m_mutex);
    auto firstSet = [this]() -> int {
        for (std::size_t i = 0; i < m_set.size(); ++i)
            if (m_set[i])
                return static_cast<int>(i);
        return -1;
    };
    auto anySet = [&] { return firstSet() >= 0; };
    if (timeoutMs == AutoResetEvent::kInfinite)
        m_cv.wait(lock, anySet);
    else if (!m_cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), anySet))
        return -1;
    int index = firstSet();
    m_set[static_cast<std::size_t>(index)] = false;
    return index;
}
