#include "wizard/WaitNormLogic.h"

#include "device/DeviceLink.h"
#include "device/Prompts.h"
#include "resources/DeviceTexts.h"

WaitNormLogic::WaitNormLogic(DeviceLink& link, Prompts& prompts, AreaJob& job, std::string statusText,
                             Direction direction, AreaDialogView& view)
    : m_link(link), m_prompts(prompts), m_job(job), m_statusText(std::move(statusText)), m_direction(direction),
      m_view(view)
{
}

void WaitNormLogic::OnInitDialog(std::shared_ptr<AreaNotifyTarget> target)
{
    m_view.SetStatusText(m_statusText);
    m_view.SetProgress(0);
    m_job.notify = std::move(target);
    bool begun = m_direction == Direction::Read ? m_link.BeginAreaRead(&m_job) : m_link.BeginAreaWrite(&m_job);
    if (!begun) OnAreaDone();
}

void WaitNormLogic::OnMessage(const AreaMessage& message)
{
    if (m_closed) return;
    switch (message.kind) {
    case AreaMessage::Kind::Progress:
        m_view.SetProgress(message.percent);
        break;
    case AreaMessage::Kind::Done:
        OnAreaDone();
        break;
    case AreaMessage::Kind::HideCancel:
        m_cancelHidden = true;
        m_view.HideCancel();
        break;
    case AreaMessage::Kind::StatusText:
        m_view.SetStatusText(texts::StringTableEntry(message.stringId));
        break;
    case AreaMessage::Kind::ReadBack:
        // Without the attempt: the check titles are the longest, and the
        // attempt was shown as its write began.
        m_view.SetStatusText(texts::WriteAreaTexts(m_job.area).checkTitle);
        break;
    case AreaMessage::Kind::Rewrite:
    case AreaMessage::Kind::Repeat:
        m_view.SetStatusText(Titled(m_statusText, message));
        break;
    }
}

// A transfer of the area that is not its first says so: the bar starts
// from 0 again and must not look like progress going backwards.
std::string WaitNormLogic::Titled(const std::string& title, const AreaMessage& message)
{
    if (message.attempt < 2) return title;
    // The title's own trailing blank gives way to the suffix's.
    const std::size_t end = title.find_last_not_of(' ');
    return title.substr(0, end == std::string::npos ? 0 : end + 1)
           + texts::AttemptSuffix(message.attempt, message.attempts);
}

void WaitNormLogic::OnCancel()
{
    // Esc while the device restarts: the hidden button cannot be pressed.
    if (m_closed || m_cancelAsked || m_cancelHidden) return;
    m_cancelAsked = true;
    bool reading = m_direction == Direction::Read;
    MessageBoxRequest question{reading ? texts::kCancelReadQuestion : texts::kCancelWriteQuestion,
                               MsgIcon::Exclamation, MsgButtons::YesNo, true, MsgCaption::Application};
    if (m_prompts.Show(question) == MsgAnswer::Yes) {
        if (reading) {
            m_link.CancelAreaRead();
        } else {
            m_link.CancelAreaWrite();
        }
        Close(DialogResult::Cancel);
        return;
    }
    m_cancelAsked = false;
    if (m_jobDone) Close(DialogResult::Ok);
}

void WaitNormLogic::OnAreaDone()
{
    m_jobDone = true;
    if (!m_cancelAsked) Close(DialogResult::Ok);
}

void WaitNormLogic::Close(DialogResult result)
{
    if (m_closed) return;
    m_closed = true;
    m_view.Close(result);
}
