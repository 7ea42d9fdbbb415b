#pragma once
// The start page: three choices of action, the third hidden and reachable
// only through the stored choice 3.

#include "gui/qt/pages/WizardPage.h"
#include "wizard/ChoicePageLogic.h"

class QRadioButton;

class CWizard97PropertyPage1 : public WizardPage {
public:
    explicit CWizard97PropertyPage1(PageServices& services);

    // 1000, 1001 or 1002; 0 when none is selected.
    int SelectedButton() const;
    void OnCancel() override;

protected:
    void OnInitDialog() override;

private:
    QRadioButton* m_pRadio[3];
    StartPageLogic m_logic;
};
