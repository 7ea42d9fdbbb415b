#pragma once
// Pages 3 and 8: the communication settings as an editable list. Page 3
// precedes reading a device, page 8 is where a write that cannot go on over
// the current connection leads. Filling and storing the list is their
// logic's; each keeps its own copy of the settings in it, which exists
// before the page's window does.

#include "gui/win32/pages/CMyList.h"
#include "gui/win32/pages/WizardPage.h"

class SettingsPage : public WizardPage {
public:
    SettingsPage(PageServices& services, int index, int listId);

    // Reads the list into the page's settings and stores them in the
    // settings store and the key store.
    void SaveListSettings() { m_logic.SaveListSettings(); }
    CommSettings& Settings() { return m_logic.m_settings; }

protected:
    void OnInitDialog() override;
    void OnSetActive() override;
    void OnCancel() override { m_logic.OnCancel(); }
    bool OnNotify(const NMHDR& header, LRESULT* result) override;
    void OnCommand(int id, int code) override;

private:
    // "Найти прибор...".
    void OnFindDevice();

    int m_listId;
    CMyList m_list;
    SettingsPageLogic m_logic;
};

class CWizard97PropertyPage3 : public SettingsPage {
public:
    explicit CWizard97PropertyPage3(PageServices& services);
};

class CWizard97PropertyPage8 : public SettingsPage {
public:
    explicit CWizard97PropertyPage8(PageServices& services);
};
