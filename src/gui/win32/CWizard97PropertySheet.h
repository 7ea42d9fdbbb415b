#pragma once
// The program's window: the system's wizard sheet in Wizard97 style with
// the header picture and the watermark, its eight pages from the shared
// templates, and the button row "Назад", "Далее", "В начало", "Выход".
// What each button does is decided by WizardFlow: the sheet window is
// subclassed so that every button and the system's close request reach the
// flow first, and only what the flow passes on gets the sheet's default
// handling.

#include <windows.h>

#include <array>
#include <memory>

#include "gui/win32/pages/WizardPage.h"
#include "wizard/WizardFlow.h"

class CWizard97PropertyPage1;
class CWizard97PropertyPage4;
class CWizard97PropertyPage6;
class SettingsPage;

class CWizard97PropertySheet : private SheetAccess {
public:
    // startPage: where the wizard opens (WizardStart); the start page is
    // shown first in any case, as it sets up the sheet's buttons and icon.
    CWizard97PropertySheet(PageServices& services, FlowOperations& ops, int startPage = kPageStart);
    ~CWizard97PropertySheet() override;
    CWizard97PropertySheet(const CWizard97PropertySheet&) = delete;
    CWizard97PropertySheet& operator=(const CWizard97PropertySheet&) = delete;

    // Runs the sheet modally until the user leaves the program.
    void DoModal();

private:
    static int CALLBACK SheetCallback(HWND window, UINT message, LPARAM lParam);
    static LRESULT CALLBACK SheetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR self);
    void OnInitDialog(HWND window);
    LRESULT OnSheetMessage(UINT message, WPARAM wParam, LPARAM lParam);

    int ActivePage() const override;
    void SetActivePage(int index) override;
    int StartPageSelection() const override;
    std::string SaveFilePath() const override;
    std::string ReplicateFilePath() const override;
    void SaveListSettings(int page) override;
    CommSettings ListSettings(int page) const override;
    void SetListSettings(int page, const CommSettings& settings) override;
    SettingsPage* ListPage(int page) const;

    PageServices& m_services;
    std::array<std::unique_ptr<WizardPage>, 8> m_pages;
    CWizard97PropertyPage1* m_page1;
    CWizard97PropertyPage4* m_page4;
    CWizard97PropertyPage6* m_page6;
    SettingsPage* m_page3;
    SettingsPage* m_page8;
    HWND m_window = nullptr;
    int m_startPage;
    WizardFlow m_flow;
};
