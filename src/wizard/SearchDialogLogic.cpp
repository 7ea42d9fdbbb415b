#include "wizard/SearchDialogLogic.h"

#include <algorithm>

#include "device/Prompts.h"
#include "device/SearchSummary.h"
#include "platform/CodePage1251.h"
#include "platform/PortMap.h"
#include "resources/SearchTexts.h"
#include "wizard/SettingsList.h"

namespace {

// Lines the dialog's text has room for: one port each.
constexpr std::size_t kStatusLines = 3;

bool Ended(const PortSearchOutcome& outcome) { return !outcome.port.empty(); }

bool Skipped(const PortSearchOutcome& outcome)
{
    return outcome.end == PortSearchEnd::NotOpened || outcome.end == PortSearchEnd::Lost;
}

}  // namespace

SearchRequest SearchRequestFor(const CommSettings& page, const std::vector<std::string>& portsPresent)
{
    SearchRequest request;
    request.settings = page;
    // A list whose port cell is empty has no port of its own to start with.
    if (page.com != 0) request.ports.push_back(PortMap::NameOfNumber(page.com));
    for (const std::string& name : portsPresent)
        if (std::find(request.ports.begin(), request.ports.end(), name) == request.ports.end())
            request.ports.push_back(name);
    request.scope.formats = SearchFormats::Common;
    request.scope.widths = SearchWidths::Stored;
    return request;
}

SearchDialogLogic::SearchDialogLogic(const SearchRequest& request, SearchDialogView& view, PortSearchMaker maker)
    : m_view(view)
{
    if (!maker) {
        maker = [](const std::string& port, const CommSettings& settings, const SearchScope& scope) {
            return std::make_unique<PortSearch>(port, settings, scope);
        };
    }
    for (const std::string& port : request.ports) {
        CommSettings settings = request.settings;
        settings.com = PortMap::NumberOfName(port).value_or(0);
        m_search.AddPort(maker(port, settings, request.scope));
    }
}

SearchDialogLogic::~SearchDialogLogic()
{
    // The ports' threads use this object's search: they end before it does.
    m_search.Cancel();
    m_search.Wait();
}

void SearchDialogLogic::OnInitDialog()
{
    m_view.SetStatusText(StatusText());
    m_view.SetProgress(0);
    m_search.Start(true);
    m_started = true;
}

void SearchDialogLogic::OnTimer()
{
    if (m_closed || !m_started) return;
    if (m_search.Finished()) {
        Finish();
        return;
    }
    m_view.SetStatusText(StatusText());
    m_view.SetProgress(Percent());
}

void SearchDialogLogic::OnCancel()
{
    if (m_closed) return;
    m_search.Cancel();
    // A search that was never started has nothing to wait for.
    if (!m_started) Finish();
}

std::string SearchDialogLogic::StatusText() const
{
    const std::vector<PortSearchOutcome> outcomes = m_search.Outcomes();
    std::string text;
    std::size_t lines = 0;
    const auto& ports = m_search.Ports();
    for (std::size_t i = 0; i < ports.size() && lines < kStatusLines; ++i) {
        if (i < outcomes.size() && Ended(outcomes[i])) continue;
        const PortSearchProgress progress = ports[i]->Progress();
        if (lines++ > 0) text += "\n";
        text += std::string(progress.confirming ? texts::kSearchConfirming : texts::kSearchTrying)
                + SearchCandidateText(ports[i]->PortName(), progress.trying);
    }
    return text;
}

uint32_t SearchDialogLogic::Percent() const
{
    const std::vector<PortSearchOutcome> outcomes = m_search.Outcomes();
    const auto& ports = m_search.Ports();
    uint64_t done = 0;
    uint64_t total = 0;
    for (std::size_t i = 0; i < ports.size(); ++i) {
        // A port that could not be opened, or went, has nothing left to
        // try: the bar counts the ports being searched.
        if (i < outcomes.size() && Skipped(outcomes[i])) continue;
        const PortSearchProgress progress = ports[i]->Progress();
        total += progress.total;
        done += progress.done;
    }
    return total == 0 ? 0 : static_cast<uint32_t>(std::min<uint64_t>(100, done * 100 / total));
}

void SearchDialogLogic::Finish()
{
    m_search.Wait();
    const std::vector<FoundDevice> found = m_search.Found();
    if (!found.empty()) {
        m_result.found = found.front();
    } else if (m_search.Cancelled()) {
        m_result.cancelled = true;
    } else {
        m_result.message = std::string(texts::kSearchNothing) + SearchedText(m_search);
        for (const PortSearchOutcome& outcome : m_search.Outcomes())
            if (Skipped(outcome)) m_result.message += "\n\n" + outcome.port + texts::kSearchPortSkipped + outcome.failure;
    }
    m_closed = true;
    m_view.Close();
}

CommSettings WithFoundSettings(const CommSettings& page, const FoundDevice& device)
{
    CommSettings settings = page;
    const CommSettings& found = device.settings;
    settings.com = found.com;
    settings.baud_rate = found.baud_rate;
    settings.address = found.address;
    settings.adress_len = found.adress_len;
    settings.byte_size = found.byte_size;
    settings.parity = found.parity;
    settings.stop_bits = found.stop_bits;
    return settings;
}

std::string FoundDeviceNote(const FoundDevice& device)
{
    std::string note = texts::kSearchFound;
    note += device.model ? Utf16ToUtf8(*device.model) : texts::kSearchUnknownModel;
    if (device.version) note += " " + Utf16ToUtf8(*device.version);
    return note + ": " + SearchCandidateText(device.port, device.settings);
}

std::string FindDeviceForPage(SettingsPageLogic& page, Prompts& prompts, const std::function<void()>& releasePort,
                              const RunSearchDialog& runDialog)
{
    const SearchRequest request = SearchRequestFor(page.ListRecord(), page.PortsPresent());
    if (request.ports.empty()) {
        prompts.Show({texts::kSearchNoPorts, MsgIcon::Exclamation});
        return {};
    }
    // The search opens the ports itself; one the link still holds would
    // look busy to it.
    if (releasePort) releasePort();
    const SearchResult result = runDialog(request);
    if (result.found) {
        page.ShowFound(WithFoundSettings(page.ListRecord(), *result.found));
        return FoundDeviceNote(*result.found);
    }
    if (!result.message.empty()) prompts.Show({result.message, MsgIcon::Exclamation});
    return {};
}
