#pragma once
// The program's window: a wizard of eight pages with a header strip, the
// side pictures and the button row "< Назад", "Далее >", "В начало",
// "Выход". The pages are switched freely by index, as the flow requires,
// which is why this is a sheet of its own rather than a history-keeping
// wizard widget. What each button does is decided by WizardFlow.

#include <array>

#include <QDialog>

#include "gui/qt/pages/WizardPage.h"
#include "wizard/WizardFlow.h"

class CWizard97PropertyPage1;
class CWizard97PropertyPage4;
class CWizard97PropertyPage6;
class SettingsPage;
class QFrame;
class QLabel;
class QPushButton;

constexpr int kCmdHelp = 9;

class CWizard97PropertySheet : public QDialog, private SheetAccess {
public:
    // startPage: where the wizard opens (WizardStart); the start page is
    // shown first in any case, as it sets up the sheet's buttons.
    CWizard97PropertySheet(PageServices& services, FlowOperations& ops, int startPage = kPageStart);
    ~CWizard97PropertySheet() override;

    int ActivePage() const override { return m_active; }
    void SetActivePage(int index) override;
    WizardPage* Page(int index) const { return m_pages[index]; }
    QPushButton* Button(int commandId) const;

    // A wizard button was pressed (or Esc, which is "Выход").
    void OnCmdMsg(int commandId);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void reject() override;

private:
    int StartPageSelection() const override;
    std::string SaveFilePath() const override;
    std::string ReplicateFilePath() const override;
    void SaveListSettings(int page) override;
    CommSettings ListSettings(int page) const override;
    void SetListSettings(int page, const CommSettings& settings) override;

    void BuildHeader(const DialogUnits& units);
    void BuildButtons(const DialogUnits& units, int top);
    void DefaultCommand(int commandId);
    void CloseSheet();
    SettingsPage* ListPage(int page) const;

    std::array<WizardPage*, 8> m_pages{};
    CWizard97PropertyPage1* m_page1 = nullptr;
    CWizard97PropertyPage4* m_page4 = nullptr;
    CWizard97PropertyPage6* m_page6 = nullptr;
    SettingsPage* m_page3 = nullptr;
    SettingsPage* m_page8 = nullptr;
    int m_active = -1;

    QWidget* m_header = nullptr;
    QLabel* m_title = nullptr;
    QLabel* m_subtitle = nullptr;
    QFrame* m_headerLine = nullptr;
    QRect m_interiorRect;
    QRect m_exteriorRect;
    std::array<QPushButton*, 5> m_buttons{};

    WizardFlow m_flow;
};
