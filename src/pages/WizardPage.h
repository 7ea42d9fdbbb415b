#pragma once
// What every page of the wizard shares: its place in the sheet, its header
// texts and button set, the white background, the side picture of the inner
// pages, controls placed at dialog-unit rectangles with their ids as object
// names, and the framework's notifications (first showing, activation,
// cancellation, finish).

#include <QString>
#include <QWidget>

#include "pages/DialogUnits.h"

class FileChooser;
class KeyStore;
class QIcon;
class Prompts;
class QLabel;
class SettingsStore;

// Everything the pages reach outside themselves.
struct PageServices {
    KeyStore& keys;
    SettingsStore& settings;
    Prompts& prompts;
    FileChooser& files;
};

// The program's icon in all its sizes.
QIcon ProgramIcon();

// Wizard button flags of a page's enable set.
constexpr int kWizBack = 1;
constexpr int kWizNext = 2;
constexpr int kWizFinish = 4;

// Page templates are 280 × 140 dialog units.
constexpr int kPageWidthDlu = 280;
constexpr int kPageHeightDlu = 140;

class WizardPage : public QWidget {
public:
    // headerTitleId 0: an exterior page without header.
    WizardPage(PageServices& services, int headerTitleId, int headerSubtitleId, int buttons);

    bool Exterior() const { return m_headerTitleId == 0; }
    QString HeaderTitle() const;
    QString HeaderSubtitle() const;
    int Buttons() const { return m_buttons; }

    // Runs OnInitDialog the first time the page is shown.
    void EnsureInitialized();
    bool Initialized() const { return m_initialized; }

    virtual void OnSetActive() {}
    // The program is being left; pages that remember something store it.
    virtual void OnCancel() {}
    // Finish ("В начало") never ends the wizard.
    bool OnWizardFinish() { return false; }

protected:
    virtual void OnInitDialog() {}

    const DialogUnits& Units() const { return m_units; }
    PageServices& Services() { return m_services; }
    // Puts a control on the page at a dialog-unit rectangle; id 0 leaves it
    // without an object name.
    template <class Control>
    Control* Place(Control* control, int id, int x, int y, int width, int height)
    {
        PlaceWidget(control, id, x, y, width, height);
        return control;
    }
    QLabel* AddStatic(const char* text, int x, int y, int width, int height);
    void AddSidePicture();

private:
    void PlaceWidget(QWidget* control, int id, int x, int y, int width, int height);

    PageServices& m_services;
    int m_headerTitleId;
    int m_headerSubtitleId;
    int m_buttons;
    DialogUnits m_units;
    bool m_initialized = false;
};
