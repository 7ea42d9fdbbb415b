#include "gui/win32/pages/CWizard97PropertyPage1.h"

#include "platform/win32/WideText.h"
#include "resources/PageTexts.h"
#include "wizard/DialogTemplates.h"
#include "wizard/WizardFlow.h"

namespace {

constexpr int kSheetHelpButton = 9;

HICON LoadProgramIcon(HINSTANCE instance, int metricX, int metricY)
{
    return static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(kIconProgram), IMAGE_ICON,
                                           ::GetSystemMetrics(metricX), ::GetSystemMetrics(metricY),
                                           LR_DEFAULTCOLOR | LR_SHARED));
}

}  // namespace

CWizard97PropertyPage1::CWizard97PropertyPage1(PageServices& services)
    : WizardPage(services, kPageStart), m_logic(services.keys)
{
    m_hIcon = LoadProgramIcon(services.instance, SM_CXICON, SM_CYICON);
    m_hSmallIcon = LoadProgramIcon(services.instance, SM_CXSMICON, SM_CYSMICON);
}

int CWizard97PropertyPage1::SelectedButton() const
{
    for (int id = kRadioSaveToFile; id <= kRadioReplicateFromDevice; ++id)
        if (::IsDlgButtonChecked(Window(), id) == BST_CHECKED)
            return id;
    return 0;
}

void CWizard97PropertyPage1::OnInitDialog()
{
    ::CheckRadioButton(Window(), kRadioSaveToFile, kRadioReplicateFromDevice, m_logic.OnInitDialog());
    ::SendMessageW(Sheet(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    ::SendMessageW(Sheet(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hSmallIcon));
}

void CWizard97PropertyPage1::OnSetActive()
{
    const HWND sheet = Sheet();
    ::SetDlgItemTextW(sheet, kCmdWizFinish, WideOf(texts::kButtonFinish).c_str());
    ::EnableWindow(::GetDlgItem(sheet, kCmdWizFinish), FALSE);
    ::SetDlgItemTextW(sheet, kCmdCancel, WideOf(texts::kButtonCancel).c_str());
    ::ShowWindow(::GetDlgItem(sheet, kSheetHelpButton), SW_HIDE);
}

void CWizard97PropertyPage1::OnCancel()
{
    m_logic.OnCancel(SelectedButton());
}
