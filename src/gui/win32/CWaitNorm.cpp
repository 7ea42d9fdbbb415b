#include "gui/win32/CWaitNorm.h"

#include <commctrl.h>

#include <mutex>

#include "device/DeviceLink.h"
#include "gui/win32/DialogPlacement.h"
#include "gui/win32/DialogTemplateBuilder.h"
#include "gui/win32/Win32Prompts.h"
#include "platform/win32/WideText.h"
#include "wizard/DialogTemplates.h"

// Turns the worker's notifications into posted messages to the dialog,
// never waiting; once detached (the dialog has closed) they are dropped.
class PostedNotifyTarget : public AreaNotifyTarget {
public:
    void Attach(HWND window)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_window = window;
    }
    void Detach() { Attach(nullptr); }

    void Post(const AreaMessage& message) override
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (!m_window)
            return;
        switch (message.kind) {
        case AreaMessage::Kind::Progress: ::PostMessageW(m_window, WM_AREA_PROGRESS, message.percent, 0); break;
        case AreaMessage::Kind::Done: ::PostMessageW(m_window, WM_AREA_DONE, 0, 0); break;
        case AreaMessage::Kind::HideCancel: ::PostMessageW(m_window, WM_AREA_HIDE_CANCEL, 0, 0); break;
        case AreaMessage::Kind::StatusText:
            ::PostMessageW(m_window, WM_AREA_STATUS_TEXT, static_cast<WPARAM>(message.stringId), 0);
            break;
        case AreaMessage::Kind::ReadBack:
        case AreaMessage::Kind::Rewrite:
        case AreaMessage::Kind::Repeat:
            ::PostMessageW(m_window, WM_AREA_STEP, static_cast<WPARAM>(message.kind),
                           MAKELPARAM(message.attempt, message.attempts));
            break;
        }
    }

private:
    std::mutex m_lock;
    HWND m_window = nullptr;
};

CWaitNormDialog::CWaitNormDialog(DeviceLink& link, Win32Prompts& prompts, AreaJob& job,
                                 const std::string& statusText, WaitNormLogic::Direction direction,
                                 HINSTANCE instance)
    : m_prompts(prompts), m_job(job), m_instance(instance), m_target(std::make_shared<PostedNotifyTarget>()),
      m_logic(link, prompts, job, statusText, direction, *this)
{
}

CWaitNormDialog::~CWaitNormDialog()
{
    m_target->Detach();
}

DialogResult CWaitNormDialog::Run(HWND owner)
{
    static const InMemoryTemplate dialog(*FindTemplate(kTemplateProgress), TemplateUse::ModalDialog);
    const INT_PTR ended =
        ::DialogBoxIndirectParamW(m_instance, dialog.Get(), owner, DialogProc, reinterpret_cast<LPARAM>(this));
    m_target->Detach();
    // A dialog that could not be made never began its transfer: that is a
    // failed area, never an empty success.
    if (ended == -1 && !m_begun) {
        m_job.status = -1;
        return DialogResult::Ok;
    }
    return m_result;
}

INT_PTR CALLBACK CWaitNormDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        ::SetWindowLongPtrW(window, DWLP_USER, lParam);
        auto* self = reinterpret_cast<CWaitNormDialog*>(lParam);
        self->m_window = window;
    }
    auto* self = reinterpret_cast<CWaitNormDialog*>(::GetWindowLongPtrW(window, DWLP_USER));
    return self ? self->OnMessage(message, wParam, lParam) : FALSE;
}

void CWaitNormDialog::OnInitDialog()
{
    CentreOverOwner(m_window);
    ::SendDlgItemMessageW(m_window, kIdProgressBar, PBM_SETRANGE32, 0, 100);
    m_target->Attach(m_window);
    m_begun = true;
    // Identification may ask its questions now, over the sheet, before
    // this dialog is seen.
    m_logic.OnInitDialog(m_target);
}

INT_PTR CWaitNormDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog();
        return TRUE;
    case WM_AREA_PROGRESS:
        m_logic.OnMessage({AreaMessage::Kind::Progress, static_cast<uint32_t>(wParam)});
        return TRUE;
    case WM_AREA_DONE:
        m_logic.OnMessage({AreaMessage::Kind::Done});
        return TRUE;
    case WM_AREA_HIDE_CANCEL:
        m_logic.OnMessage({AreaMessage::Kind::HideCancel});
        return TRUE;
    case WM_AREA_STATUS_TEXT:
        m_logic.OnMessage({AreaMessage::Kind::StatusText, 0, nullptr, static_cast<int>(wParam)});
        return TRUE;
    case WM_AREA_STEP:
        m_logic.OnMessage({static_cast<AreaMessage::Kind>(wParam), 0, nullptr, 0, LOWORD(lParam), HIWORD(lParam)});
        return TRUE;
    case WM_COMMAND:
        // Enter is the template's OK, which does nothing; "Отмена" and Esc
        // ask first.
        if (LOWORD(wParam) == IDCANCEL) {
            ScopedOwner owner(m_prompts, m_window);
            m_logic.OnCancel();
        }
        return TRUE;
    case WM_CLOSE: {
        ScopedOwner owner(m_prompts, m_window);
        m_logic.OnCancel();
        return TRUE;
    }
    default:
        return FALSE;
    }
}

void CWaitNormDialog::SetStatusText(const std::string& text)
{
    ::SetDlgItemTextW(m_window, kIdProgressText, WideOf(text).c_str());
}

void CWaitNormDialog::SetProgress(uint32_t percent)
{
    ::SendDlgItemMessageW(m_window, kIdProgressBar, PBM_SETPOS, percent, 0);
}

void CWaitNormDialog::HideCancel()
{
    const HWND cancel = ::GetDlgItem(m_window, kIdProgressCancel);
    ::EnableWindow(cancel, FALSE);
    ::ShowWindow(cancel, SW_HIDE);
}

void CWaitNormDialog::Close(DialogResult result)
{
    if (m_closed)
        return;
    m_closed = true;
    m_result = result;
    m_target->Detach();
    ::EndDialog(m_window, static_cast<INT_PTR>(result));
}

CWaitNorm::CWaitNorm(DeviceLink& link, Win32Prompts& prompts, AreaJob& job, const std::string& statusText,
                     HINSTANCE instance)
    : CWaitNormDialog(link, prompts, job, statusText, WaitNormLogic::Direction::Read, instance)
{
}

CWaitNorm_Write::CWaitNorm_Write(DeviceLink& link, Win32Prompts& prompts, AreaJob& job,
                                 const std::string& statusText, HINSTANCE instance)
    : CWaitNormDialog(link, prompts, job, statusText, WaitNormLogic::Direction::Write, instance)
{
}

DialogResult Win32ProgressDialogs::RunAreaRead(const std::string& title, AreaJob& job)
{
    CWaitNorm dialog(*m_link, m_prompts, job, title, m_instance);
    return dialog.Run(m_prompts.Owner());
}

DialogResult Win32ProgressDialogs::RunAreaWrite(const std::string& title, AreaJob& job)
{
    CWaitNorm_Write dialog(*m_link, m_prompts, job, title, m_instance);
    return dialog.Run(m_prompts.Owner());
}
