// The device search against devices on an in-process line in virtual time:
// the order of candidates, answers put down to their own address, devices
// that collide, every rate, a format with parity, 11-bit addressing, a
// cancel, two ports at once and devices that answer only half.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>

#include "DeviceModel.h"
#include "InProcessLine.h"
#include "device/DeviceSearch.h"
#include "device/PortSearch.h"
#include "device/SearchOrder.h"
#include "platform/CodePage1251.h"
#include "resources/DeviceTexts.h"

namespace {

CommSettings Stored(uint32_t rate = 115200, uint16_t address = 16)
{
    CommSettings settings = DefaultCommSettings();
    settings.com = 3;
    settings.baud_rate = rate;
    settings.address = address;
    settings.adress_len = 8;
    settings.byte_size = 8;
    settings.parity = 0;
    settings.stop_bits = 0;
    settings.converter = 1;
    return settings;
}

DeviceModelConfig Device(uint16_t address, const char* model = "KLX41", uint32_t turnaroundMs = 2)
{
    DeviceModelConfig config;
    config.address = address;
    config.model = model;
    config.version = "2.5";
    config.turnaroundMs = turnaroundMs;
    return config;
}

// Devices on one line at one format, searched through one port in virtual time.
class Bench {
public:
    explicit Bench(std::vector<DeviceModelConfig> devices, LineFormat format = {115200, LineParity::None,
                                                                                LineStopBits::One, 8})
        : m_format(format)
    {
        for (auto& config : devices) m_devices.push_back(std::make_unique<DeviceModel>(config));
    }

    std::unique_ptr<PortSearch> Search(const CommSettings& stored, const SearchScope& scope = {},
                                       LineFailures failures = {})
    {
        auto search = std::make_unique<PortSearch>("COM3", stored, scope);
        search->SetLineFactory([this, failures] {
            auto line = std::make_unique<InProcessLine>(nullptr, failures);
            for (auto& device : m_devices) line->AddDevice(device.get());
            line->SetDeviceFormat(m_format);
            line->SetLatency(latencyMs);
            this->line = line.get();
            return line;
        });
        search->SetTime([this](uint32_t ms) {
            if (onPause) onPause();
            line->Advance(ms);
        }, [this] {
            const uint64_t now = line ? line->NowUs() : 0;
            if (now > cancelAtUs) cancel = true;
            return now;
        });
        return search;
    }

    std::vector<FoundDevice> Run(PortSearch& search, bool stopAtFirst = false, PortSearchEnd* end = nullptr)
    {
        std::vector<FoundDevice> found;
        const PortSearchEnd ended = search.Run(cancel, stopAtFirst, [&](const FoundDevice& d) { found.push_back(d); });
        if (end) *end = ended;
        return found;
    }

    DeviceModel& DeviceAt(std::size_t i) { return *m_devices[i]; }

    InProcessLine* line = nullptr;
    std::optional<uint32_t> latencyMs = 1;
    std::atomic<bool> cancel{false};
    std::function<void()> onPause;
    uint64_t cancelAtUs = UINT64_MAX;  // the user cancels then

private:
    LineFormat m_format;
    std::vector<std::unique_ptr<DeviceModel>> m_devices;
};

std::vector<uint16_t> Addresses(const std::vector<FoundDevice>& found)
{
    std::vector<uint16_t> addresses;
    for (const FoundDevice& device : found) addresses.push_back(device.settings.address);
    return addresses;
}

}  // namespace

TEST(SearchOrderTest, StoredFirstThenEveryAddressThenRatesByUseThenFormats)
{
    const auto groups = SearchOrder(Stored(9600, 16), {{}, SearchFormats::Common, SearchWidths::Stored});
    ASSERT_EQ(groups.size(), 9u * 3u);
    EXPECT_EQ(groups[0].settings.baud_rate, 9600u);
    ASSERT_EQ(groups[0].addresses.size(), 256u);
    EXPECT_EQ(groups[0].addresses[0], 16);
    EXPECT_EQ(groups[0].addresses[1], 0);
    EXPECT_EQ(std::count(groups[0].addresses.begin(), groups[0].addresses.end(), 16), 1);
    // The other rates at the stored format, most common first.
    EXPECT_EQ(groups[1].settings.baud_rate, 115200u);
    EXPECT_EQ(groups[2].settings.baud_rate, 19200u);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(groups[i].settings.parity, 0u) << i;
    // Then even parity at the stored rate first.
    EXPECT_EQ(groups[9].settings.parity, 2u);
    EXPECT_EQ(groups[9].settings.baud_rate, 9600u);
    EXPECT_EQ(groups[18].settings.parity, 1u);
    EXPECT_EQ(CandidateCount(groups), 27u * 256u);
}

TEST(SearchOrderTest, ElevenBitOnlyWhenAskedAndRatesAsGiven)
{
    CommSettings stored = Stored(115200, 300);
    const auto eight = SearchOrder(stored, {{2400, 115200}, SearchFormats::Stored, SearchWidths::Stored});
    ASSERT_EQ(eight.size(), 2u);
    EXPECT_EQ(eight[0].settings.baud_rate, 115200u);  // the stored rate first when asked for
    EXPECT_EQ(eight[1].settings.baud_rate, 2400u);
    EXPECT_EQ(eight[0].addresses.front(), 0);  // 300 is no 8-bit address
    const auto both = SearchOrder(stored, {{115200}, SearchFormats::Stored, SearchWidths::Both});
    ASSERT_EQ(both.size(), 2u);
    EXPECT_EQ(both[0].settings.adress_len, 8);
    EXPECT_EQ(both[1].settings.adress_len, 11);
    ASSERT_EQ(both[1].addresses.size(), 2048u);
    EXPECT_EQ(both[1].addresses.front(), 300);
    const auto all = SearchOrder(stored, {{115200}, SearchFormats::All, SearchWidths::Stored});
    EXPECT_EQ(all.size(), 12u);
}

TEST(DeviceSearchTest, DeviceAtTheStoredSettingsIsFoundByTheFirstProbeAndIdentified)
{
    Bench bench({Device(16, "КЛХ41")});
    auto search = bench.Search(Stored());
    PortSearchEnd end{};
    const auto found = bench.Run(*search, true, &end);
    EXPECT_EQ(end, PortSearchEnd::Found);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].settings, Stored());
    EXPECT_EQ(found[0].port, "COM3");
    EXPECT_EQ(found[0].model, Utf8ToUtf16("КЛХ41"));
    EXPECT_EQ(found[0].version, Utf8ToUtf16("2.5"));
    EXPECT_EQ(search->Progress().done, 1u);
    // One probe, then the identification: "dev" and "ver".
    EXPECT_EQ(bench.line->Requests().size(), 3u);
}

TEST(DeviceSearchTest, AnUnansweredAddressCostsTheWireFloorPlusLittle)
{
    for (const uint32_t rate : {115200u, 9600u, 2400u}) {
        Bench bench({});
        auto search = bench.Search(Stored(rate), {{rate}, SearchFormats::Stored, SearchWidths::Stored});
        bench.Run(*search);
        const double floorMs = 5.0 + 14.0 * 10.0 * 1000.0 / rate;
        // The whole group less the wait for late answers after its last probe.
        const double lateMs = 528000.0 / rate + 260;
        const double perAddressMs = (bench.line->NowUs() / 1000.0 - lateMs) / 256.0;
        EXPECT_LE(perAddressMs, floorMs + 10.0) << rate;
        EXPECT_GE(perAddressMs, floorMs) << rate;
    }
}

TEST(DeviceSearchTest, ADeviceIsFoundAtEachOfTheNineRates)
{
    for (const uint32_t rate : kBaudRates) {
        Bench bench({Device(77)}, {rate, LineParity::None, LineStopBits::One, 8});
        auto search = bench.Search(Stored(115200, 16));
        PortSearchEnd end{};
        const auto found = bench.Run(*search, true, &end);
        ASSERT_EQ(found.size(), 1u) << rate;
        EXPECT_EQ(found[0].settings.baud_rate, rate);
        EXPECT_EQ(found[0].settings.address, 77);
        EXPECT_EQ(end, PortSearchEnd::Found);
    }
}

TEST(DeviceSearchTest, ADeviceWithParityIsFoundAmongTheCommonFormatsOnly)
{
    Bench bench({Device(5)}, {19200, LineParity::Odd, LineStopBits::One, 8});
    auto stored = bench.Search(Stored(), {{}, SearchFormats::Stored, SearchWidths::Stored});
    EXPECT_TRUE(bench.Run(*stored).empty());
    auto common = bench.Search(Stored(), {{}, SearchFormats::Common, SearchWidths::Stored});
    const auto found = bench.Run(*common, true);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].settings.parity, 1u);
    EXPECT_EQ(found[0].settings.byte_size, 8);
    EXPECT_EQ(found[0].settings.baud_rate, 19200u);
}

TEST(DeviceSearchTest, ASlowAnswerIsPutDownToTheAddressItCarries)
{
    // 150 ms after its request the probes have moved on by a dozen addresses.
    Bench bench({Device(40, "KLX41", 150), Device(200)});
    auto search = bench.Search(Stored());
    const auto found = bench.Run(*search);
    EXPECT_EQ(Addresses(found), (std::vector<uint16_t>{40, 200}));
    // Every device once, though the slow one's answer came during other probes.
    EXPECT_EQ(search->Progress().done, 256u);
}

TEST(DeviceSearchTest, TwoDevicesAtOneAddressAreNoDeviceButTheOthersOnTheBusAreListed)
{
    Bench bench({Device(50, "KLX41"), Device(50, "РГХ206К"), Device(60, "KLX51"), Device(61, "РГХ207К")});
    auto search = bench.Search(Stored());
    PortSearchEnd end{};
    const auto found = bench.Run(*search, false, &end);
    EXPECT_EQ(end, PortSearchEnd::Searched);
    EXPECT_EQ(Addresses(found), (std::vector<uint16_t>{60, 61}));
    // The line's devices share its rate: no other rate is searched.
    EXPECT_EQ(search->Progress().done, 256u);
}

TEST(DeviceSearchTest, ElevenBitAddressingWhenAskedFor)
{
    DeviceModelConfig config = Device(1001);
    config.elevenBit = true;
    Bench bench({config});
    auto eight = bench.Search(Stored(), {{115200}, SearchFormats::Stored, SearchWidths::Stored});
    EXPECT_TRUE(bench.Run(*eight).empty());
    auto both = bench.Search(Stored(), {{115200}, SearchFormats::Stored, SearchWidths::Both});
    const auto found = bench.Run(*both, true);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].settings.address, 1001);
    EXPECT_NE(found[0].settings.adress_len, 8);
}

TEST(DeviceSearchTest, ACancelEndsTheSearchAlsoDuringAConfirmation)
{
    Bench bench({Device(100)});
    auto search = bench.Search(Stored());
    bench.cancelAtUs = 500000;
    PortSearchEnd end{};
    EXPECT_TRUE(bench.Run(*search, false, &end).empty());
    EXPECT_EQ(end, PortSearchEnd::Cancelled);
    EXPECT_LT(search->Progress().done, 100u);

    // The device answers the probe; the user cancels while it is identified.
    Bench confirming({Device(16)});
    auto second = confirming.Search(Stored());
    confirming.onPause = [&] { confirming.cancel = true; };  // the exchange's pause before "dev"
    EXPECT_TRUE(confirming.Run(*second, true, &end).empty());
    EXPECT_EQ(end, PortSearchEnd::Cancelled);
}

TEST(DeviceSearchTest, DevicesThatAnswerOnlyHalfOrGarbage)
{
    // Garbled answers to everything: nothing that looks like a device.
    Bench garbage({Device(16), Device(17)});
    garbage.DeviceAt(0).AddFault({0, 0, 1000000, {DeviceFault::BadCrc}});
    garbage.DeviceAt(1).AddFault({0, 0, 1000000, {DeviceFault::Garble}});
    auto first = garbage.Search(Stored(), {{115200}, SearchFormats::Stored, SearchWidths::Stored});
    EXPECT_TRUE(garbage.Run(*first).empty());

    // Answers "dev" but never "ver": not identified, not reported.
    Bench half({Device(16)});
    half.DeviceAt(0).AddFault({NameHash("ver", 3), 0, 1000000, {DeviceFault::Silence}});
    auto second = half.Search(Stored(), {{115200}, SearchFormats::Stored, SearchWidths::Stored});
    EXPECT_TRUE(half.Run(*second).empty());

    // Answers nErr to "dev": there all the same, its model unknown.
    Bench nerr({Device(16)});
    nerr.DeviceAt(0).AddFault({NameHash("dev", 3), 0, 1000000, {DeviceFault::Nerr}});
    auto third = nerr.Search(Stored(), {{115200}, SearchFormats::Stored, SearchWidths::Stored});
    const auto found = nerr.Run(*third, true);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_FALSE(found[0].model.has_value());
    EXPECT_EQ(found[0].version, Utf8ToUtf16("2.5"));
}

TEST(DeviceSearchTest, TwoPortsAtOnceAndOneThatDoesNotOpen)
{
    Bench left({Device(30)});
    Bench right({Device(31)}, {9600, LineParity::None, LineStopBits::One, 8});
    Bench broken({});
    // Virtual time runs on each line by itself; the ports run on threads of their own.
    DeviceSearch search;
    search.AddPort(left.Search(Stored(), {{115200, 9600}}));
    search.AddPort(right.Search(Stored(), {{115200, 9600}}));
    LineFailures failures;
    failures.open = true;
    search.AddPort(broken.Search(Stored(), {}, failures));
    search.Run(false);
    auto found = search.Found();
    std::sort(found.begin(), found.end(),
              [](const FoundDevice& a, const FoundDevice& b) { return a.settings.address < b.settings.address; });
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].settings.baud_rate, 115200u);
    EXPECT_EQ(found[1].settings.baud_rate, 9600u);
    const auto outcomes = search.Outcomes();
    ASSERT_EQ(outcomes.size(), 3u);
    EXPECT_EQ(outcomes[2].end, PortSearchEnd::NotOpened);
    EXPECT_NE(outcomes[2].failure.find(texts::kPortCannotOpen), std::string::npos);
}
