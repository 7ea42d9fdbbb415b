#pragma once
// The pages that only show a message beside the side picture: page 2
// (connect the device to save) and page 5 (device not supported). Their
// templates are all they have. Page 7 has an option besides (FilePages).

#include "gui/win32/pages/WizardPage.h"
#include "wizard/WizardFlow.h"

class CWizard97PropertyPage2 : public WizardPage {
public:
    explicit CWizard97PropertyPage2(PageServices& services) : WizardPage(services, kPageConnect) {}
};

class CWizard97PropertyPage5 : public WizardPage {
public:
    explicit CWizard97PropertyPage5(PageServices& services) : WizardPage(services, kPageRefused) {}
};
