#include "pages/MessagePages.h"

#include "resources/PageTexts.h"

MessagePage::MessagePage(PageServices& services, const Layout& layout)
    : WizardPage(services, layout.headerTitleId, layout.headerSubtitleId, layout.buttons)
{
    AddSidePicture();
    AddStatic(layout.text, layout.x, layout.y, layout.width, layout.height);
}

CWizard97PropertyPage2::CWizard97PropertyPage2(PageServices& services)
    : MessagePage(services, {145, 137, kWizNext | kWizFinish, texts::kConnectForSave, 132, 16, 120, 44})
{
}

CWizard97PropertyPage5::CWizard97PropertyPage5(PageServices& services)
    : MessagePage(services, {148, 140, kWizBack | kWizFinish, texts::kDeviceUnsupported, 132, 16, 100, 28})
{
}

CWizard97PropertyPage7::CWizard97PropertyPage7(PageServices& services)
    : MessagePage(services,
                  {150, 142, kWizBack | kWizNext | kWizFinish, texts::kConnectForWrite, 132, 16, 136, 92})
{
}
