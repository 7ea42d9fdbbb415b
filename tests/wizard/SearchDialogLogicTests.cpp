// The search button of the settings pages and its dialog, against devices
// on in-process lines in virtual time: which ports and settings it
// searches, a device found on another port at other settings (the list
// shows them, nothing is stored), nothing found (what was searched and a
// port that would not open are told), and a cancel.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <thread>

#include "DeviceModel.h"
#include "FlowFakes.h"
#include "InProcessLine.h"
#include "platform/PortMap.h"
#include "resources/DeviceTexts.h"
#include "resources/PageTexts.h"
#include "resources/SearchTexts.h"
#include "settings/SettingsStore.h"
#include "wizard/SearchDialogLogic.h"
#include "wizard/SettingsList.h"

namespace {

CommSettings PageSettings()
{
    CommSettings settings = DefaultCommSettings();
    settings.rs_type = 1;
    settings.converter = 0;
    settings.com = 3;
    settings.baud_rate = 115200;
    settings.address = 16;
    settings.adress_len = 8;
    settings.byte_size = 8;
    settings.parity = 0;
    settings.stop_bits = 0;
    return settings;
}

// What is behind each port: devices at one format, or a port that fails.
struct PortLine {
    std::vector<DeviceModelConfig> devices;
    LineFormat format{115200, LineParity::None, LineStopBits::One, 8};
    LineFailures failures;
};

// Makes each port's search over its own in-process line, in the line's
// own virtual time.
class Lines {
public:
    void Add(const std::string& port, PortLine line) { m_lines[port] = std::move(line); }

    SearchDialogLogic::PortSearchMaker Maker()
    {
        return [this](const std::string& port, const CommSettings& settings, const SearchScope& scope) {
            auto search = std::make_unique<PortSearch>(port, settings, scope);
            auto bench = std::make_shared<Bench>();
            const PortLine& behind = m_lines[port];
            for (const DeviceModelConfig& config : behind.devices)
                bench->devices.push_back(std::make_unique<DeviceModel>(config));
            search->SetLineFactory([bench, behind] {
                auto line = std::make_unique<InProcessLine>(nullptr, behind.failures);
                for (auto& device : bench->devices) line->AddDevice(device.get());
                line->SetDeviceFormat(behind.format);
                line->SetLatency(1);
                bench->line = line.get();
                return line;
            });
            search->SetTime([bench](uint32_t ms) { bench->line->Advance(ms); },
                            [bench] { return bench->line ? bench->line->NowUs() : 0; });
            m_benches.push_back(bench);
            return search;
        };
    }

private:
    struct Bench {
        std::vector<std::unique_ptr<DeviceModel>> devices;
        InProcessLine* line = nullptr;
    };
    std::map<std::string, PortLine> m_lines;
    std::vector<std::shared_ptr<Bench>> m_benches;
};

DeviceModelConfig Device(uint16_t address)
{
    DeviceModelConfig config;
    config.address = address;
    config.model = "KLX41";
    config.version = "2.5";
    config.turnaroundMs = 2;
    return config;
}

class RecordingDialog : public SearchDialogView {
public:
    void SetStatusText(const std::string& text) override { texts.push_back(text); }
    void SetProgress(uint32_t value) override { percent = value; }
    void Close() override { ++closes; }

    std::vector<std::string> texts;
    uint32_t percent = 0;
    int closes = 0;
};

// The dialog's timer until the dialog closes.
void RunUntilClosed(SearchDialogLogic& logic)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!logic.Closed() && std::chrono::steady_clock::now() < deadline) {
        logic.OnTimer();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_TRUE(logic.Closed());
}

class NullListView : public SettingsListView {
public:
    void ShowCellText(int, const std::string&) override {}
    void ShowRowColours() override {}
    void OpenCombo(int, const std::vector<ComboEntry>&, int) override {}
    void OpenEdit(int, const std::string&) override {}
    void ReplaceComboEntries(const std::vector<ComboEntry>&, int) override {}
    std::string EditorText() const override { return {}; }
    void CloseEditor() override {}
};

// A page over a settings store in memory, with no port of the machine's.
class SearchPageTest : public ::testing::Test {
protected:
    SearchPageTest()
    {
        keys.CreateKey(kMirrexKey);
        store.SetRecord(PageSettings());
        store.Save();
        page.OnInitDialog();
    }

    // The button, with the dialog run by its timer over the lines; the
    // ports are those given, the page's first.
    std::string PressSearch(std::vector<std::string> ports, const SearchScope& scope)
    {
        return FindDeviceForPage(page, prompts, [this] { events.push_back("release"); },
                                 [&](const SearchRequest& asked) {
                                     events.push_back("dialog");
                                     SearchRequest request = asked;
                                     request.ports = ports;
                                     request.scope = scope;
                                     RecordingDialog view;
                                     SearchDialogLogic logic(request, view, lines.Maker());
                                     logic.OnInitDialog();
                                     RunUntilClosed(logic);
                                     EXPECT_EQ(view.closes, 1);
                                     return logic.Result();
                                 });
    }

    MemoryKeyStore keys;
    const std::string nowhere = (std::filesystem::temp_directory_path() / "mirrex-no-such-folder").string();
    PortMap ports{PortMapRoots{nowhere, nowhere, nowhere, nowhere}};
    SettingsStore store{keys, ports};
    NullListView view;
    SettingsList list{view};
    SettingsPageLogic page{store, list};
    ScriptedPrompts prompts;
    Lines lines;
    std::vector<std::string> events;
};

}  // namespace

TEST(SearchRequestTest, ThePagesPortFirstThenThePortsPresentAtTheCommonFormats)
{
    const SearchRequest request = SearchRequestFor(PageSettings(), {"COM1", "COM3", "COM7"});
    EXPECT_EQ(request.ports, (std::vector<std::string>{"COM3", "COM1", "COM7"}));
    EXPECT_EQ(request.settings, PageSettings());
    EXPECT_TRUE(request.scope.rates.empty());
    EXPECT_EQ(request.scope.formats, SearchFormats::Common);
    EXPECT_EQ(request.scope.widths, SearchWidths::Stored);

    // A port cell left empty, or a port that has gone: the ports present.
    CommSettings noPort = PageSettings();
    noPort.com = 0;
    EXPECT_EQ(SearchRequestFor(noPort, {"COM1"}).ports, std::vector<std::string>{"COM1"});
    noPort.com = 9;
    EXPECT_EQ(SearchRequestFor(noPort, {"COM1"}).ports, (std::vector<std::string>{"COM9", "COM1"}));
}

TEST(SearchDialogTest, ShowsWhatEachPortTriesAndCancelsWithoutAWord)
{
    Lines lines;
    lines.Add("COM3", {});
    lines.Add("COM4", {});
    SearchRequest request = SearchRequestFor(PageSettings(), {"COM4"});
    RecordingDialog view;
    SearchDialogLogic logic(request, view, lines.Maker());
    logic.OnInitDialog();
    ASSERT_FALSE(view.texts.empty());
    EXPECT_EQ(view.texts.front(), std::string(texts::kSearchTrying) + "COM3, 115200 бит/с, 8N1, адрес 16 (8)\n"
                                      + texts::kSearchTrying + "COM4, 115200 бит/с, 8N1, адрес 16 (8)");
    // Every rate at three formats: far more than the moment before the user
    // cancels.
    logic.OnCancel();
    EXPECT_FALSE(logic.Closed());  // not before the ports have been let go
    RunUntilClosed(logic);
    EXPECT_TRUE(logic.Result().cancelled);
    EXPECT_FALSE(logic.Result().found);
    EXPECT_TRUE(logic.Result().message.empty());
    EXPECT_LT(logic.Percent(), 100u);
}

TEST_F(SearchPageTest, ADeviceOnAnotherPortAtOtherSettingsFillsTheListAndNothingIsStored)
{
    lines.Add("COM3", {});
    lines.Add("COM4", {{Device(77)}, {9600, LineParity::None, LineStopBits::One, 8}, {}});
    const std::string note = PressSearch({"COM3", "COM4"}, {{115200, 9600}, SearchFormats::Stored});

    EXPECT_EQ(events, (std::vector<std::string>{"release", "dialog"}));
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(note, std::string(texts::kSearchFound) + "KLX41 2.5: COM4, 9600 бит/с, 8N1, адрес 77 (8)");
    CommSettings expected = PageSettings();
    expected.com = 4;
    expected.baud_rate = 9600;
    expected.address = 77;
    EXPECT_EQ(list.Read(), expected);  // interface and converter as they were
    EXPECT_EQ(list.Cell(kRowConverter), texts::kConverterSemi);
    EXPECT_EQ(keys.ReadDword(kMirrexKey, "baud_rate"), 115200u);

    // Coming back to the page keeps it; the page's store stores it.
    EXPECT_FALSE(page.OnSetActive());
    EXPECT_EQ(list.Read(), expected);
    page.SaveListSettings();
    EXPECT_EQ(store.GetRecord(), expected);
    EXPECT_EQ(keys.ReadDword(kMirrexKey, "address"), 77u);

    // Settings stored elsewhere meanwhile replace it, note and all.
    PressSearch({"COM4"}, {{9600}, SearchFormats::Stored});
    CommSettings other = PageSettings();
    other.baud_rate = 19200;
    store.SetRecord(other);
    store.Save();
    EXPECT_TRUE(page.OnSetActive());
    EXPECT_EQ(list.Read(), other);
}

TEST_F(SearchPageTest, NothingAnsweringTellsWhatWasSearchedAndThePortThatWouldNotOpen)
{
    lines.Add("COM3", {});
    PortLine held;
    held.failures.open = true;
    lines.Add("COM5", held);
    const std::string note = PressSearch({"COM3", "COM5"}, {{115200}, SearchFormats::Stored});

    EXPECT_TRUE(note.empty());
    ASSERT_EQ(prompts.shown.size(), 1u);
    const std::string& text = prompts.shown[0].text;
    EXPECT_EQ(prompts.shown[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(text.rfind(texts::kSearchNothing, 0), 0u) << text;
    EXPECT_NE(text.find("порты COM3,COM5; скорости 115200; форматы 8N1; адреса 0..255 (8). "), std::string::npos)
        << text;
    EXPECT_NE(text.find(std::string("COM5") + texts::kSearchPortSkipped + texts::kPortCannotOpen), std::string::npos)
        << text;
    EXPECT_EQ(list.Read(), PageSettings());
}
