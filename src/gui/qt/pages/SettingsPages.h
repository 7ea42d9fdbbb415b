#pragma once
// Pages 3 and 8: the communication settings as an editable list. Page 3
// precedes reading a device, page 8 is where a write that cannot go on over
// the current connection leads. Filling and storing the list is their
// logic's; each keeps its own copy of the settings in it.

#include "gui/qt/pages/WizardPage.h"
#include "wizard/SettingsList.h"

class CMyList;
class QLabel;
class QPushButton;

class SettingsPage : public WizardPage {
public:
    SettingsPage(PageServices& services, int index, int listId);

    // Reads the list into the page's settings and stores them in the
    // settings store and the key store.
    void SaveListSettings() { m_logic.SaveListSettings(); }
    void OnSetActive() override;
    void OnCancel() override { m_logic.OnCancel(); }
    CMyList* List() const { return m_list; }
    QPushButton* SearchButton() const { return m_searchButton; }
    QLabel* SearchNote() const { return m_searchNote; }
    CommSettings& Settings() { return m_logic.m_settings; }

protected:
    void OnInitDialog() override;

private:
    // "Найти прибор...".
    void OnFindDevice();

    CMyList* m_list;
    QPushButton* m_searchButton;
    QLabel* m_searchNote;
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
