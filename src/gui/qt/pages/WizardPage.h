#pragma once
// What every Qt page of the wizard shares: the controls of its template
// (src/wizard's tables), its header texts and button set from the page
// table, the white background, and the framework's notifications (first
// showing, activation, cancellation, finish).

#include <functional>
#include <optional>
#include <string>

#include <QString>
#include <QWidget>

#include "gui/qt/pages/DialogUnits.h"
#include "gui/qt/pages/TemplateControls.h"
#include "wizard/PageTable.h"

class FileDialogs;
class KeyStore;
class QIcon;
class Prompts;
class SettingsStore;

// Everything the pages reach outside themselves.
struct PageServices {
    KeyStore& keys;
    SettingsStore& settings;
    Prompts& prompts;
    FileDialogs& files;
    // The file the program was started with, for page 6 (WizardStart).
    std::optional<std::string> startFile = std::nullopt;
    // Closes the port the device link may hold open, before the pages
    // search for a device on it.
    std::function<void()> releasePort = {};
};

// The program's icon in all its sizes.
QIcon ProgramIcon();

class WizardPage : public QWidget {
public:
    // index: the page's place in the sheet (kPageStart ...).
    WizardPage(PageServices& services, int index);

    bool Exterior() const { return m_spec.Exterior(); }
    QString HeaderTitle() const;
    QString HeaderSubtitle() const;
    int Buttons() const { return m_spec.buttons; }

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

    PageServices& Services() { return m_services; }
    template <class Control>
    Control* ControlById(int id) const
    {
        return TemplateControl<Control>(this, id);
    }

private:
    PageServices& m_services;
    const PageSpec& m_spec;
    bool m_initialized = false;
};

// Pages of a template's size, in dialog units.
QSize PageSizeDlu();
