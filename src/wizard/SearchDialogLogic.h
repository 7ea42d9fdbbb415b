#pragma once
// What the "Найти прибор..." dialog of pages 3 and 8 does, without any
// window: it searches the page's port first and the other ports present
// beside it, from the settings the page's list shows, and stops at the
// first device confirmed. The dialog's timer asks it what to show (the
// candidate each port is trying, the bar) and when to close; afterwards
// it tells what was found, or what was searched in vain.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/DeviceSearch.h"

class Prompts;
class SettingsPageLogic;

// Where and how a search looks.
struct SearchRequest {
    std::vector<std::string> ports;  // "COM3" ..., the page's own first
    CommSettings settings{};         // the page's list: where each port starts
    SearchScope scope;
};

// The page's port first, then every other port present. The page's rate,
// format and address are tried first, then every rate; the formats the
// field uses most (8N1, 8E1, 8O1) after the page's own; the page's
// address width only.
SearchRequest SearchRequestFor(const CommSettings& page, const std::vector<std::string>& portsPresent);

// How the search ended, once the dialog has closed.
struct SearchResult {
    std::optional<FoundDevice> found;
    bool cancelled = false;
    // Nothing answered: what was searched and which ports were skipped.
    std::string message;
};

// The window side. Called on the dialog's own thread only.
class SearchDialogView {
public:
    virtual ~SearchDialogView() = default;
    virtual void SetStatusText(const std::string& text) = 0;
    // 0 to 100.
    virtual void SetProgress(uint32_t percent) = 0;
    virtual void Close() = 0;
};

// How often the dialog's timer looks at the search.
constexpr int kSearchPollMs = 100;

class SearchDialogLogic {
public:
    // Makes the search of one port; tests give theirs a line of their own.
    using PortSearchMaker = std::function<std::unique_ptr<PortSearch>(const std::string& port,
                                                                      const CommSettings& settings,
                                                                      const SearchScope& scope)>;

    SearchDialogLogic(const SearchRequest& request, SearchDialogView& view, PortSearchMaker maker = {});
    ~SearchDialogLogic();
    SearchDialogLogic(const SearchDialogLogic&) = delete;
    SearchDialogLogic& operator=(const SearchDialogLogic&) = delete;

    // Starts the search beside the dialog.
    void OnInitDialog();
    // The dialog's timer: what is tried now, how far, and the end.
    void OnTimer();
    // "Отмена", Esc or the window's close request: the search ends after
    // the probe or request in progress; the dialog closes when it has.
    void OnCancel();

    bool Closed() const { return m_closed; }
    const SearchResult& Result() const { return m_result; }
    // What the dialog shows at the moment, from the ports' progress.
    std::string StatusText() const;
    uint32_t Percent() const;

private:
    void Finish();

    SearchDialogView& m_view;
    DeviceSearch m_search;
    SearchResult m_result;
    bool m_started = false;
    bool m_closed = false;
};

// The whole button: the page's port is released (the device link may hold
// it open since the last job), the dialog runs, and its end is shown: a
// device found fills the page's list (nothing is stored until the page
// stores it) and its note is returned for the page to show; nothing found
// is told in a message box. runDialog makes the front end's dialog over
// the request, runs it modally and returns its result.
using RunSearchDialog = std::function<SearchResult(const SearchRequest&)>;
std::string FindDeviceForPage(SettingsPageLogic& page, Prompts& prompts, const std::function<void()>& releasePort,
                              const RunSearchDialog& runDialog);

// "Найден прибор KLX41 2.5: COM3, 9600 бит/с, 8N1, адрес 17 (8)".
std::string FoundDeviceNote(const FoundDevice& device);
// The page's record with what the device answered on: port, rate,
// address, address width, data bits, parity and stop bits; the interface
// and the converter stay as the page had them.
CommSettings WithFoundSettings(const CommSettings& page, const FoundDevice& device);
