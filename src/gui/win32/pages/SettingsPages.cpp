#include "gui/win32/pages/SettingsPages.h"

#include <commctrl.h>

#include "gui/win32/CSearchDialog.h"
#include "gui/win32/Win32Prompts.h"
#include "wizard/DialogTemplates.h"
#include "wizard/WizardFlow.h"

SettingsPage::SettingsPage(PageServices& services, int index, int listId)
    : WizardPage(services, index), m_listId(listId), m_logic(services.settings, m_list.Logic())
{
}

void SettingsPage::OnInitDialog()
{
    m_list.Attach(Control(m_listId));
    m_logic.OnInitDialog();
}

bool SettingsPage::OnNotify(const NMHDR& header, LRESULT* result)
{
    if (header.idFrom != static_cast<UINT_PTR>(m_listId))
        return false;
    switch (header.code) {
    case NM_CUSTOMDRAW:
        *result = m_list.OnCustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(const_cast<NMHDR*>(&header)));
        return true;
    case LVN_ITEMACTIVATE:
        m_list.OnItemActivate(reinterpret_cast<const NMITEMACTIVATE&>(header));
        return true;
    default: return false;
    }
}

void SettingsPage::OnSetActive()
{
    if (m_logic.OnSetActive()) SetControlText(kIdSearchNote, {});
}

void SettingsPage::OnCommand(int id, int code)
{
    if (id == kIdSearchButton && code == BN_CLICKED) OnFindDevice();
}

void SettingsPage::OnFindDevice()
{
    PageServices& services = Services();
    const std::string note =
        FindDeviceForPage(m_logic, services.prompts, services.releasePort, [&](const SearchRequest& request) {
            CSearchDialog dialog(request, services.instance);
            return dialog.Run(services.prompts.Owner());
        });
    SetControlText(kIdSearchNote, note);
}

CWizard97PropertyPage3::CWizard97PropertyPage3(PageServices& services)
    : SettingsPage(services, kPageReadSettings, kIdReadSettingsList)
{
}

CWizard97PropertyPage8::CWizard97PropertyPage8(PageServices& services)
    : SettingsPage(services, kPageWriteSettings, kIdWriteSettingsList)
{
}
