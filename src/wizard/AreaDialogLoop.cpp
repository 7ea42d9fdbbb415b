#include "wizard/AreaDialogLoop.h"

#include <chrono>

void QueuedNotifyTarget::Post(const AreaMessage& message)
{
    {
        std::lock_guard guard(m_mutex);
        if (m_closed) return;
        m_queue.push_back(message);
    }
    m_cv.notify_one();
}

std::optional<AreaMessage> QueuedNotifyTarget::WaitNext(uint32_t timeoutMs)
{
    std::unique_lock guard(m_mutex);
    if (!m_cv.wait_for(guard, std::chrono::milliseconds(timeoutMs), [&] { return !m_queue.empty(); })) {
        return std::nullopt;
    }
    AreaMessage message = m_queue.front();
    m_queue.pop_front();
    return message;
}

void QueuedNotifyTarget::CloseTarget()
{
    std::lock_guard guard(m_mutex);
    m_closed = true;
    m_queue.clear();
}

namespace {

// Passes everything on and remembers how the dialog ended.
class ClosingView : public AreaDialogView {
public:
    explicit ClosingView(AreaDialogView& inner) : m_inner(inner) {}
    void SetStatusText(const std::string& text) override { m_inner.SetStatusText(text); }
    void SetProgress(uint32_t percent) override { m_inner.SetProgress(percent); }
    void HideCancel() override { m_inner.HideCancel(); }
    void Close(DialogResult result) override
    {
        m_result = result;
        m_inner.Close(result);
    }
    std::optional<DialogResult> Result() const { return m_result; }

private:
    AreaDialogView& m_inner;
    std::optional<DialogResult> m_result;
};

constexpr uint32_t kPollMs = 50;

}  // namespace

DialogResult RunAreaDialog(DeviceLink& link, Prompts& prompts, AreaJob& job, const AreaDialogSetup& setup,
                           AreaDialogView& view)
{
    auto target = std::make_shared<QueuedNotifyTarget>();
    ClosingView closing(view);
    WaitNormLogic logic(link, prompts, job, setup.title, setup.direction, closing);
    logic.OnInitDialog(target);
    while (!closing.Result()) {
        if (std::optional<AreaMessage> message = target->WaitNext(kPollMs)) logic.OnMessage(*message);
        if (!closing.Result() && setup.cancelRequested && setup.cancelRequested()) logic.OnCancel();
    }
    target->CloseTarget();
    return *closing.Result();
}
