#pragma once
// Pages 3 and 8: the communication settings as an editable list. Page 3
// precedes reading a device, page 8 is where a write that cannot go on over
// the current connection leads. Each keeps its own copy of the settings,
// rebuilt from the list whenever it stores.

#include "pages/WizardPage.h"
#include "settings/CommSettings.h"

class CMyList;

class SettingsPage : public WizardPage {
public:
    SettingsPage(PageServices& services, int listId, int headerTitleId, int headerSubtitleId, int buttons);

    // Reads the list into m_settings and stores it in the settings store and
    // the key store.
    void SaveListSettings();
    void OnCancel() override;
    CMyList* List() const { return m_list; }

    CommSettings m_settings{};

protected:
    void OnInitDialog() override;

private:
    void FillList();
    void ApplyRowColours();

    CMyList* m_list;
};

class CWizard97PropertyPage3 : public SettingsPage {
public:
    explicit CWizard97PropertyPage3(PageServices& services);
};

class CWizard97PropertyPage8 : public SettingsPage {
public:
    explicit CWizard97PropertyPage8(PageServices& services);
};

// Row text colours: blue, and the grey of locked rows.
inline const QColor kListBlue(0, 0, 221);
inline const QColor kListGrey(172, 168, 153);
