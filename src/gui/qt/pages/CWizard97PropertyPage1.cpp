#include "gui/qt/pages/CWizard97PropertyPage1.h"

#include <QButtonGroup>
#include <QIcon>
#include <QRadioButton>

#include "wizard/WizardFlow.h"

CWizard97PropertyPage1::CWizard97PropertyPage1(PageServices& services)
    : WizardPage(services, kPageStart), m_logic(services.keys)
{
    auto* group = new QButtonGroup(this);
    for (int i = 0; i < 3; ++i) {
        m_pRadio[i] = ControlById<QRadioButton>(kRadioSaveToFile + i);
        group->addButton(m_pRadio[i], kRadioSaveToFile + i);
    }
}

int CWizard97PropertyPage1::SelectedButton() const
{
    for (int i = 0; i < 3; ++i)
        if (m_pRadio[i]->isChecked())
            return kRadioSaveToFile + i;
    return 0;
}

void CWizard97PropertyPage1::OnInitDialog()
{
    m_pRadio[m_logic.OnInitDialog() - kRadioSaveToFile]->setChecked(true);
    window()->setWindowIcon(ProgramIcon());
}

void CWizard97PropertyPage1::OnCancel()
{
    m_logic.OnCancel(SelectedButton());
}
