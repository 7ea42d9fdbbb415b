#include "gui/win32/pages/WizardPage.h"

#include <vector>

#include "platform/win32/WideText.h"
#include "resources/DeviceTexts.h"
#include "wizard/WizardFlow.h"

WizardPage::WizardPage(PageServices& services, int index)
    : m_services(services), m_index(index), m_spec(PageSpecOf(index)),
      m_template(*FindTemplate(m_spec.templateId), TemplateUse::PropertyPage)
{
    if (!m_spec.Exterior()) {
        m_headerTitle = WideOf(texts::StringTableEntry(m_spec.headerTitleId));
        m_headerSubtitle = WideOf(texts::StringTableEntry(m_spec.headerSubtitleId));
    }
}

WizardPage::~WizardPage()
{
    if (m_brush)
        ::DeleteObject(m_brush);
}

HPROPSHEETPAGE WizardPage::Create()
{
    PROPSHEETPAGEW page{};
    page.dwSize = sizeof page;
    page.dwFlags = PSP_DLGINDIRECT;
    if (m_spec.Exterior()) {
        page.dwFlags |= PSP_HIDEHEADER;
    } else {
        page.dwFlags |= PSP_USEHEADERTITLE | PSP_USEHEADERSUBTITLE;
        page.pszHeaderTitle = m_headerTitle.c_str();
        page.pszHeaderSubTitle = m_headerSubtitle.c_str();
    }
    page.hInstance = m_services.instance;
    page.pResource = m_template.Get();
    page.pfnDlgProc = DialogProc;
    page.lParam = reinterpret_cast<LPARAM>(this);
    return ::CreatePropertySheetPageW(&page);
}

std::string WizardPage::ControlText(int id) const
{
    const HWND control = Control(id);
    if (!control)
        return {};
    std::vector<wchar_t> text(static_cast<std::size_t>(::GetWindowTextLengthW(control)) + 1, L'\0');
    const int length = ::GetWindowTextW(control, text.data(), static_cast<int>(text.size()));
    return Utf8Of(std::wstring_view(text.data(), static_cast<std::size_t>(length)));
}

void WizardPage::SetControlText(int id, const std::string& text)
{
    ::SetDlgItemTextW(m_window, id, WideOf(text).c_str());
}

INT_PTR CALLBACK WizardPage::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        // lParam is the sheet's copy of the page structure.
        auto* self = reinterpret_cast<WizardPage*>(reinterpret_cast<const PROPSHEETPAGEW*>(lParam)->lParam);
        ::SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        self->m_window = window;
    }
    auto* self = reinterpret_cast<WizardPage*>(::GetWindowLongPtrW(window, DWLP_USER));
    return self ? self->OnMessage(message, wParam, lParam) : FALSE;
}

INT_PTR WizardPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        m_brush = ::CreateSolidBrush(RGB(255, 255, 255));
        OnInitDialog();
        return TRUE;
    case WM_NOTIFY: {
        const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
        if (header.hwndFrom == Sheet())
            return OnSheetNotify(header);
        LRESULT result = 0;
        if (!OnNotify(header, &result))
            return FALSE;
        ::SetWindowLongPtrW(m_window, DWLP_MSGRESULT, result);
        return TRUE;
    }
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
        return OnCtlColor(message, reinterpret_cast<HDC>(wParam));
    case kRepaintSheet:
        ::RedrawWindow(Sheet(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
        return TRUE;
    case WM_NCDESTROY:
        m_window = nullptr;
        return FALSE;
    default:
        return FALSE;
    }
}

INT_PTR WizardPage::OnSheetNotify(const NMHDR& header)
{
    LRESULT result = 0;
    switch (header.code) {
    case PSN_SETACTIVE:
        PostButtons();
        OnSetActive();
        // Once the sheet has finished switching: the previous page's header
        // and edges must not stay behind where this page shows something else.
        ::PostMessageW(m_window, kRepaintSheet, 0, 0);
        break;
    case PSN_WIZFINISH:
        // "В начало" never ends the wizard.
        result = TRUE;
        break;
    case PSN_RESET:
        OnCancel();
        break;
    default:
        return FALSE;
    }
    ::SetWindowLongPtrW(m_window, DWLP_MSGRESULT, result);
    return TRUE;
}

void WizardPage::PostButtons()
{
    // Posted, as the sheet settles its buttons after the page changes. The
    // sheet shows Finish on every page and enables it unless told: a page
    // whose set lacks it has it disabled.
    const bool finish = (m_spec.buttons & kWizFinish) != 0;
    ::PostMessageW(Sheet(), PSM_SETWIZBUTTONS, 0, m_spec.buttons | (finish ? 0 : PSWIZB_DISABLEDFINISH));
    // Enter goes on to the next page where there is one, not back to the
    // start, which the sheet would make the default.
    if (m_spec.buttons & kWizNext)
        ::PostMessageW(Sheet(), DM_SETDEFID, kCmdWizNext, 0);
}

INT_PTR WizardPage::OnCtlColor(UINT message, HDC dc)
{
    // The start page keeps the sheet's own look beside its watermark.
    if (m_spec.Exterior())
        return FALSE;
    // White page, static texts, pictures and check boxes; edit boxes and
    // buttons keep the system's colours.
    if (message == WM_CTLCOLORSTATIC)
        ::SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<INT_PTR>(m_brush);
}
