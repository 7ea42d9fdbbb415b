#pragma once
// The pages that only show a message beside the side picture: page 2
// (connect the device to save), page 5 (device not supported) and page 7
// (connect the device to write). Their templates are all they have.

#include "gui/qt/pages/WizardPage.h"

class CWizard97PropertyPage2 : public WizardPage {
public:
    explicit CWizard97PropertyPage2(PageServices& services) : WizardPage(services, kPageConnect) {}
};

class CWizard97PropertyPage5 : public WizardPage {
public:
    explicit CWizard97PropertyPage5(PageServices& services) : WizardPage(services, kPageRefused) {}
};

class CWizard97PropertyPage7 : public WizardPage {
public:
    explicit CWizard97PropertyPage7(PageServices& services) : WizardPage(services, kPageWrite) {}
};
