#include "gui/win32/CWizard97PropertySheet.h"

#include <commctrl.h>

#include "gui/win32/Win32Prompts.h"
#include "gui/win32/pages/CWizard97PropertyPage1.h"
#include "gui/win32/pages/FilePages.h"
#include "gui/win32/pages/MessagePages.h"
#include "gui/win32/pages/SettingsPages.h"
#include "wizard/DialogTemplates.h"

namespace {

constexpr UINT_PTR kSubclassId = 1;
// Posted to the new sheet when it opens on another page than the start
// page: by then the start page has been shown and has set up the sheet.
constexpr UINT kMsgShowStartPage = WM_APP + 1;
// The callback of the sheet being created; one sheet exists at a time.
CWizard97PropertySheet* g_creating = nullptr;

template <class Page>
Page* Keep(std::unique_ptr<WizardPage>& slot, std::unique_ptr<Page> page)
{
    Page* raw = page.get();
    slot = std::move(page);
    return raw;
}

}  // namespace

CWizard97PropertySheet::CWizard97PropertySheet(PageServices& services, FlowOperations& ops, int startPage)
    : m_services(services), m_startPage(startPage), m_flow(*this, ops, services.prompts, services.keys)
{
    m_page1 = Keep(m_pages[kPageStart], std::make_unique<CWizard97PropertyPage1>(services));
    m_pages[kPageConnect] = std::make_unique<CWizard97PropertyPage2>(services);
    m_page3 = Keep(m_pages[kPageReadSettings], std::make_unique<CWizard97PropertyPage3>(services));
    m_page4 = Keep(m_pages[kPageSaveFile], std::make_unique<CWizard97PropertyPage4>(services));
    m_pages[kPageRefused] = std::make_unique<CWizard97PropertyPage5>(services);
    m_page6 = Keep(m_pages[kPageReplicateFile], std::make_unique<CWizard97PropertyPage6>(services));
    m_pages[kPageWrite] = std::make_unique<CWizard97PropertyPage7>(services);
    m_page8 = Keep(m_pages[kPageWriteSettings], std::make_unique<CWizard97PropertyPage8>(services));
}

CWizard97PropertySheet::~CWizard97PropertySheet() = default;

void CWizard97PropertySheet::DoModal()
{
    std::array<HPROPSHEETPAGE, kPageCount> handles{};
    for (int i = 0; i < kPageCount; ++i)
        handles[i] = m_pages[i]->Create();

    PROPSHEETHEADERW header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_WIZARD97 | PSH_HEADER | PSH_WATERMARK | PSH_WIZARDHASFINISH | PSH_USECALLBACK;
    // The header picture handed over loaded: some versions of the common
    // controls draw it only then.
    const HBITMAP headerPicture = static_cast<HBITMAP>(
        ::LoadImageW(m_services.instance, MAKEINTRESOURCEW(kBitmapHeader), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
    if (headerPicture)
        header.dwFlags |= PSH_USEHBMHEADER;
    header.hInstance = m_services.instance;
    header.pszCaption = L"Wizard97";
    header.nPages = kPageCount;
    header.nStartPage = 0;
    header.phpage = handles.data();
    header.pszbmWatermark = MAKEINTRESOURCEW(kBitmapWatermark);
    if (headerPicture)
        header.hbmHeader = headerPicture;
    else
        header.pszbmHeader = MAKEINTRESOURCEW(kBitmapHeader);
    header.pfnCallback = SheetCallback;
    g_creating = this;
    ::PropertySheetW(&header);
    g_creating = nullptr;
    m_window = nullptr;
    if (headerPicture)
        ::DeleteObject(headerPicture);
}

int CALLBACK CWizard97PropertySheet::SheetCallback(HWND window, UINT message, LPARAM)
{
    if (message == PSCB_INITIALIZED && g_creating)
        g_creating->OnInitDialog(window);
    return 0;
}

void CWizard97PropertySheet::OnInitDialog(HWND window)
{
    m_window = window;
    m_services.prompts.PushOwner(window);
    ::SetWindowSubclass(window, SheetProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    // No system menu and so no close box: the program is left through
    // "Выход", or a close request of the system, both asked first.
    ::SetWindowLongPtrW(window, GWL_STYLE, ::GetWindowLongPtrW(window, GWL_STYLE) & ~WS_SYSMENU);
    ::SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    if (m_startPage != kPageStart)
        ::PostMessageW(window, kMsgShowStartPage, 0, 0);
}

LRESULT CALLBACK CWizard97PropertySheet::SheetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                                   UINT_PTR, DWORD_PTR self)
{
    if (message == WM_NCDESTROY) {
        auto* sheet = reinterpret_cast<CWizard97PropertySheet*>(self);
        ::RemoveWindowSubclass(window, SheetProc, kSubclassId);
        sheet->m_services.prompts.PopOwner();
        return ::DefSubclassProc(window, message, wParam, lParam);
    }
    return reinterpret_cast<CWizard97PropertySheet*>(self)->OnSheetMessage(message, wParam, lParam);
}

LRESULT CWizard97PropertySheet::OnSheetMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        // Commands only (notification code 0): the buttons, Enter and Esc.
        if (HIWORD(wParam) == 0 && m_flow.OnCommand(LOWORD(wParam)) == WizardFlow::Outcome::Handled)
            return 0;
        break;
    case WM_SYSCOMMAND:
        if (m_flow.OnSysCommand(static_cast<int>(wParam & 0xFFF0)) == WizardFlow::Outcome::Handled)
            return 0;
        break;
    case kMsgShowStartPage:
        SetActivePage(m_startPage);
        return 0;
    default: break;
    }
    return ::DefSubclassProc(m_window, message, wParam, lParam);
}

int CWizard97PropertySheet::ActivePage() const
{
    const HWND current = PropSheet_GetCurrentPageHwnd(m_window);
    for (int i = 0; i < kPageCount; ++i)
        if (current && m_pages[i]->Window() == current)
            return i;
    return -1;
}

void CWizard97PropertySheet::SetActivePage(int index)
{
    if (index >= 0 && index < kPageCount)
        PropSheet_SetCurSel(m_window, nullptr, index);
}

int CWizard97PropertySheet::StartPageSelection() const
{
    return m_page1->SelectedButton();
}

std::string CWizard97PropertySheet::SaveFilePath() const
{
    return m_page4->Path();
}

std::string CWizard97PropertySheet::ReplicateFilePath() const
{
    return m_page6->Path();
}

SettingsPage* CWizard97PropertySheet::ListPage(int page) const
{
    return page == kPageWriteSettings ? m_page8 : m_page3;
}

void CWizard97PropertySheet::SaveListSettings(int page)
{
    // A list that has never been shown holds nothing the store lacks.
    if (ListPage(page)->Window())
        ListPage(page)->SaveListSettings();
}

CommSettings CWizard97PropertySheet::ListSettings(int page) const
{
    return ListPage(page)->Settings();
}

void CWizard97PropertySheet::SetListSettings(int page, const CommSettings& settings)
{
    ListPage(page)->Settings() = settings;
}
