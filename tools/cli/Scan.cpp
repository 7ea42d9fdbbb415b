#include "Scan.h"

#include "JsonText.h"

#include <iostream>
#include <memory>

#include "Commands.h"
#include "DeviceReport.h"
#include "Interrupts.h"
#include "PortSession.h"
#include "device/DeviceSearch.h"
#include "device/SearchSummary.h"
#include "platform/CodePage1251.h"
#include "platform/Console.h"
#include "platform/PortMap.h"
#include "resources/CliTexts.h"
#include "resources/SearchTexts.h"

namespace {

std::string Text(const std::optional<std::u16string>& text) { return text ? Utf16ToUtf8(*text) : std::string(); }

std::string DeviceLine(const FoundDevice& device)
{
    const CommSettings& s = device.settings;
    return device.port + "\t" + std::to_string(s.baud_rate) + "\t" + FormatName(s) + "\t" + std::to_string(s.address)
           + "\t" + AddressWidthText(s) + "\t" + (device.model ? Text(device.model) : texts::kSearchUnknownModel) + "\t"
           + Text(device.version) + "\n";
}

std::string JsonOrNull(const std::optional<std::u16string>& text)
{
    return text ? JsonQuoted(Utf16ToUtf8(*text)) : "null";
}

std::string DeviceJson(const FoundDevice& device)
{
    const CommSettings& s = device.settings;
    const char* parity = s.parity == 1 ? "odd" : s.parity == 2 ? "even" : "none";
    return "{\"port\":" + JsonQuoted(device.port) + ",\"baud\":" + std::to_string(s.baud_rate) + ",\"format\":"
           + JsonQuoted(FormatName(s)) + ",\"data_bits\":" + std::to_string(s.byte_size) + ",\"parity\":\"" + parity
           + "\",\"stop_bits\":" + (s.stop_bits == 2 ? "2" : "1") + ",\"address\":" + std::to_string(s.address)
           + ",\"address_bits\":" + AddressWidthText(s) + ",\"model\":" + JsonOrNull(device.model)
           + ",\"version\":" + JsonOrNull(device.version) + "}\n";
}

// One line on the terminal, redrawn in place: what each port is trying
// and how far the search has come.
void ShowProgress(const DeviceSearch& search)
{
    std::string line = texts::kCliScanTrying;
    for (const auto& port : search.Ports()) {
        const PortSearchProgress progress = port->Progress();
        line += SearchCandidateText(port->PortName(), progress.trying) + (progress.confirming ? " ?" : "") + "; ";
    }
    line += std::to_string(search.Done()) + "/" + std::to_string(search.Total());
    const std::size_t width = ConsoleWidth(StandardStream::Error);
    if (width > 1 && line.size() >= width) line.resize(width - 1);  // bytes, not characters: only ever shorter
    std::cerr << '\r' << line;
    ConsoleClearToLineEnd(StandardStream::Error);
    std::cerr << std::flush;
}

}  // namespace

int ScanPorts(const CliOptions& options)
{
    const CommSettings stored = StoredSettings();
    SearchScope scope;
    scope.rates = options.rates;
    scope.formats = options.formats;
    scope.widths = options.widths.value_or(SearchWidths::Stored);

    DeviceSearch search;
    std::vector<std::optional<PortChoice>> ports(options.ports.begin(), options.ports.end());
    if (ports.empty()) ports.emplace_back(std::nullopt);
    for (const auto& port : ports) {
        const CommSettings settings = SettingsForPort(options.connection, port, stored);
        const std::string name = port ? port->given : PortMap::NameOfNumber(settings.com);
        auto portSearch = std::make_unique<PortSearch>(name, settings, scope);
        if (auto factory = PathLineFactory(port)) portSearch->SetLineFactory(std::move(factory));
        search.AddPort(std::move(portSearch));
    }

    interrupts::Install(1);
    const bool terminal = IsConsole(StandardStream::Error);
    std::size_t listed = 0;
    // Each device is listed as soon as it is confirmed.
    const auto listNew = [&] {
        const std::vector<FoundDevice> found = search.Found();
        if (listed == found.size()) return;
        if (terminal) {
            std::cerr << '\r';
            ConsoleClearToLineEnd(StandardStream::Error);
        }
        for (; listed < found.size(); ++listed)
            std::cout << (options.json ? DeviceJson(found[listed]) : DeviceLine(found[listed]));
        std::cout << std::flush;
    };
    search.Run(options.first, [&] {
        if (interrupts::Count() > 0) search.Cancel();
        listNew();
        if (terminal) ShowProgress(search);
    });
    if (terminal) {
        std::cerr << '\r';
        ConsoleClearToLineEnd(StandardStream::Error);
    }
    listNew();
    for (const PortSearchOutcome& outcome : search.Outcomes()) {
        if (outcome.end == PortSearchEnd::NotOpened || outcome.end == PortSearchEnd::Lost)
            std::cerr << outcome.port << texts::kSearchPortSkipped << outcome.failure << std::endl;
    }
    if (listed > 0) return EXIT_DONE;
    if (search.Cancelled()) {
        std::cerr << texts::kCliScanCancelled << std::endl;
        return EXIT_CANCELLED;
    }
    std::cerr << texts::kSearchNothing << SearchedText(search) << std::endl;
    return EXIT_FAILED;
}
