#pragma once
// What every Win32 page of the wizard shares: its in-memory template (from
// src/wizard's control tables), its header texts and button set from the
// page table, the white background, and the sheet's notifications (first
// showing, activation, cancellation, finish) turned into calls.

#include <windows.h>
#include <prsht.h>

#include <functional>
#include <optional>
#include <string>

#include "gui/win32/DialogTemplateBuilder.h"
#include "wizard/PageTable.h"

class FileDialogs;
class KeyStore;
class SettingsStore;
class Win32Prompts;

// Everything the pages reach outside themselves.
struct PageServices {
    KeyStore& keys;
    SettingsStore& settings;
    Win32Prompts& prompts;
    FileDialogs& files;
    HINSTANCE instance;
    // The file the program was started with, for page 6 (WizardStart).
    std::optional<std::string> startFile = std::nullopt;
    // Closes the port the device link may hold open, before the pages
    // search for a device on it.
    std::function<void()> releasePort = {};
};

class WizardPage {
public:
    // index: the page's place in the sheet (kPageStart ...).
    WizardPage(PageServices& services, int index);
    virtual ~WizardPage();
    WizardPage(const WizardPage&) = delete;
    WizardPage& operator=(const WizardPage&) = delete;

    // The page as the sheet is given it.
    HPROPSHEETPAGE Create();

    int Index() const { return m_index; }
    // The page's window, once it has been shown; null before.
    HWND Window() const { return m_window; }

protected:
    virtual void OnInitDialog() {}
    virtual void OnSetActive() {}
    // The program is being left; pages that remember something store it.
    virtual void OnCancel() {}
    virtual void OnCommand(int /*id*/, int /*code*/) {}
    // A notification of one of the page's own controls; true when handled,
    // with the result the control is to get.
    virtual bool OnNotify(const NMHDR& /*header*/, LRESULT* /*result*/) { return false; }

    PageServices& Services() { return m_services; }
    HWND Control(int id) const { return ::GetDlgItem(m_window, id); }
    HWND Sheet() const { return ::GetParent(m_window); }
    std::string ControlText(int id) const;
    void SetControlText(int id, const std::string& text);

private:
    static constexpr UINT kRepaintSheet = WM_APP + 1;

    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnSheetNotify(const NMHDR& header);
    void PostButtons();
    INT_PTR OnCtlColor(UINT message, HDC dc);

    PageServices& m_services;
    int m_index;
    const PageSpec& m_spec;
    InMemoryTemplate m_template;
    std::wstring m_headerTitle;
    std::wstring m_headerSubtitle;
    HWND m_window = nullptr;
    HBRUSH m_brush = nullptr;
};
