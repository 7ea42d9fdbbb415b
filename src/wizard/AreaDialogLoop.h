#pragma once
// A progress display without windows: the worker's notifications are
// queued and played into WaitNormLogic on the caller's thread, as a modal
// dialog's message loop would. The command-line tool shows it on the
// terminal; tests drive it directly.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "wizard/WaitNormLogic.h"

// Posted from the worker, taken on the display's thread; once closed it
// drops whatever still arrives.
class QueuedNotifyTarget : public AreaNotifyTarget {
public:
    void Post(const AreaMessage& message) override;
    std::optional<AreaMessage> WaitNext(uint32_t timeoutMs);
    void CloseTarget();

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<AreaMessage> m_queue;
    bool m_closed = false;
};

struct AreaDialogSetup {
    std::string title;
    WaitNormLogic::Direction direction = WaitNormLogic::Direction::Read;
    // Asked between messages: true when the user wants to cancel (the
    // "Отмена" button).
    std::function<bool()> cancelRequested;
};

DialogResult RunAreaDialog(DeviceLink& link, Prompts& prompts, AreaJob& job, const AreaDialogSetup& setup,
                           AreaDialogView& view);
