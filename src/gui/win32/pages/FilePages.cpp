#include "gui/win32/pages/FilePages.h"

#include "gui/win32/Win32Prompts.h"
#include "wizard/DialogTemplates.h"
#include "wizard/WizardFlow.h"

CWizard97PropertyPage4::CWizard97PropertyPage4(PageServices& services)
    : WizardPage(services, kPageSaveFile), m_logic(services.keys, services.prompts, services.files)
{
}

std::string CWizard97PropertyPage4::Path() const
{
    return ControlText(kIdSavePathEdit);
}

void CWizard97PropertyPage4::OnInitDialog()
{
    SetControlText(kIdSavePathEdit, m_logic.OnInitDialog());
}

void CWizard97PropertyPage4::OnCommand(int id, int code)
{
    if (id == kIdSaveBrowse && code == BN_CLICKED)
        SetControlText(kIdSavePathEdit, m_logic.OnBrowse(Path()));
}

CWizard97PropertyPage6::CWizard97PropertyPage6(PageServices& services)
    : WizardPage(services, kPageReplicateFile), m_logic(services.keys, services.files, services.startFile)
{
}

std::string CWizard97PropertyPage6::Path() const
{
    return ControlText(kIdReplicatePathEdit);
}

bool CWizard97PropertyPage6::Checked(int id) const
{
    return ::IsDlgButtonChecked(Window(), id) == BST_CHECKED;
}

void CWizard97PropertyPage6::OnInitDialog()
{
    const ReplicateFilePageLogic::Initial initial = m_logic.OnInitDialog();
    SetControlText(kIdReplicatePathEdit, initial.path);
    ::CheckDlgButton(Window(), kIdClockCheck, initial.setClock ? BST_CHECKED : BST_UNCHECKED);
    ::CheckDlgButton(Window(), kIdVerifyCheck, initial.verify ? BST_CHECKED : BST_UNCHECKED);
}

void CWizard97PropertyPage6::OnCommand(int id, int code)
{
    if (code != BN_CLICKED)
        return;
    switch (id) {
    case kIdReplicateBrowse: SetControlText(kIdReplicatePathEdit, m_logic.OnBrowse(Path())); break;
    case kIdClockCheck: m_logic.OnTimeSyncClicked(Checked(kIdClockCheck)); break;
    case kIdVerifyCheck: m_logic.OnVerifyClicked(Checked(kIdVerifyCheck)); break;
    default: break;
    }
}

CWizard97PropertyPage7::CWizard97PropertyPage7(PageServices& services)
    : WizardPage(services, kPageWrite), m_logic(services.keys)
{
}

void CWizard97PropertyPage7::OnInitDialog()
{
    ::CheckDlgButton(Window(), kIdBackupCheck, m_logic.OnInitDialog() ? BST_CHECKED : BST_UNCHECKED);
}

void CWizard97PropertyPage7::OnCommand(int id, int code)
{
    if (id == kIdBackupCheck && code == BN_CLICKED)
        m_logic.OnBackupClicked(::IsDlgButtonChecked(Window(), kIdBackupCheck) == BST_CHECKED);
}
