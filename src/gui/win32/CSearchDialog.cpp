#include "gui/win32/CSearchDialog.h"

#include <commctrl.h>

#include "gui/win32/DialogPlacement.h"
#include "gui/win32/DialogTemplateBuilder.h"
#include "platform/win32/WideText.h"
#include "wizard/DialogTemplates.h"

namespace {

constexpr UINT_PTR kPollTimer = 1;

}  // namespace

CSearchDialog::CSearchDialog(const SearchRequest& request, HINSTANCE instance)
    : m_instance(instance), m_logic(request, *this)
{
}

SearchResult CSearchDialog::Run(HWND owner)
{
    static const InMemoryTemplate dialog(*FindTemplate(kTemplateSearch), TemplateUse::ModalDialog);
    const INT_PTR ended =
        ::DialogBoxIndirectParamW(m_instance, dialog.Get(), owner, DialogProc, reinterpret_cast<LPARAM>(this));
    // A dialog that could not be made searched nothing: nothing to report.
    if (ended == -1) return {std::nullopt, true, {}};
    return m_logic.Result();
}

INT_PTR CALLBACK CSearchDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        ::SetWindowLongPtrW(window, DWLP_USER, lParam);
        reinterpret_cast<CSearchDialog*>(lParam)->m_window = window;
    }
    auto* self = reinterpret_cast<CSearchDialog*>(::GetWindowLongPtrW(window, DWLP_USER));
    return self ? self->OnMessage(message, wParam) : FALSE;
}

INT_PTR CSearchDialog::OnMessage(UINT message, WPARAM wParam)
{
    switch (message) {
    case WM_INITDIALOG:
        CentreOverOwner(m_window);
        ::SendDlgItemMessageW(m_window, kIdSearchBar, PBM_SETRANGE32, 0, 100);
        m_logic.OnInitDialog();
        ::SetTimer(m_window, kPollTimer, kSearchPollMs, nullptr);
        return TRUE;
    case WM_TIMER:
        if (wParam == kPollTimer) m_logic.OnTimer();
        return TRUE;
    case WM_COMMAND:
        // Enter is the template's OK, which does nothing.
        if (LOWORD(wParam) == IDCANCEL) m_logic.OnCancel();
        return TRUE;
    case WM_CLOSE:
        m_logic.OnCancel();
        return TRUE;
    default:
        return FALSE;
    }
}

void CSearchDialog::SetStatusText(const std::string& text)
{
    ::SetDlgItemTextW(m_window, kIdSearchText, WideOf(text).c_str());
}

void CSearchDialog::SetProgress(uint32_t percent)
{
    ::SendDlgItemMessageW(m_window, kIdSearchBar, PBM_SETPOS, percent, 0);
}

void CSearchDialog::Close()
{
    ::KillTimer(m_window, kPollTimer);
    ::EndDialog(m_window, IDOK);
}
