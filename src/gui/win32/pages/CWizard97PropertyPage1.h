#pragma once
// The start page: three choices of action, the third hidden and reachable
// only through the stored choice 3. It also settles the sheet's buttons for
// the whole run: "В начало", "Выход", and no Help.

#include "gui/win32/pages/WizardPage.h"
#include "wizard/ChoicePageLogic.h"

class CWizard97PropertyPage1 : public WizardPage {
public:
    explicit CWizard97PropertyPage1(PageServices& services);

    // 1000, 1001 or 1002; 0 when none is selected.
    int SelectedButton() const;

protected:
    void OnInitDialog() override;
    void OnSetActive() override;
    void OnCancel() override;

private:
    StartPageLogic m_logic;
    HICON m_hIcon = nullptr;
    HICON m_hSmallIcon = nullptr;
};
