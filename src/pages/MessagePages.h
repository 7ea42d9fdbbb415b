#pragma once
// The pages that only show a message beside the side picture: page 2
// (connect the device to save), page 5 (device not supported) and page 7
// (connect the device to write).

#include "pages/WizardPage.h"

class MessagePage : public WizardPage {
public:
    struct Layout {
        int headerTitleId;
        int headerSubtitleId;
        int buttons;
        const char* text;
        int x, y, width, height;
    };
    MessagePage(PageServices& services, const Layout& layout);
};

class CWizard97PropertyPage2 : public MessagePage {
public:
    explicit CWizard97PropertyPage2(PageServices& services);
};

class CWizard97PropertyPage5 : public MessagePage {
public:
    explicit CWizard97PropertyPage5(PageServices& services);
};

class CWizard97PropertyPage7 : public MessagePage {
public:
    explicit CWizard97PropertyPage7(PageServices& services);
};
