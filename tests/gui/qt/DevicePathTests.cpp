// Both paths of the wizard end to end against the simulated device on a
// pseudo-terminal: saving a device into a file, writing a file into two
// devices in a row, refused models, the clock option and a port that
// cannot be opened.
#include <gtest/gtest.h>

#include <fstream>
#include <cstring>
#include <iterator>

#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include "DevsimLauncher.h"
#include "GuiHarness.h"
#include "configfile/ConfigHeader.h"
#include "resources/PageTexts.h"
#include "wizard/StoredChoices.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

constexpr std::size_t kAreaSizes[4] = {700, 300, 64, 20};

Bytes ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const fs::path& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                 static_cast<std::streamsize>(bytes.size()));
}

// Four areas of recognisable bytes.
std::array<Bytes, 4> MakeAreas(uint8_t seed)
{
    std::array<Bytes, 4> areas;
    for (int i = 0; i < 4; ++i)
        for (std::size_t n = 0; n < kAreaSizes[i]; ++n)
            areas[i].push_back(static_cast<uint8_t>(seed + n * (i + 3)));
    return areas;
}

void WriteAreaFolder(const fs::path& folder, const std::array<Bytes, 4>& areas)
{
    fs::create_directories(folder);
    const int numbers[4] = {0, 16, 40, 64};
    for (int i = 0; i < 4; ++i)
        WriteAll(folder / ("config_" + std::to_string(numbers[i]) + ".dat"), areas[i]);
}

Bytes Joined(const std::array<Bytes, 4>& areas)
{
    Bytes all;
    for (const Bytes& area : areas)
        all.insert(all.end(), area.begin(), area.end());
    return all;
}

// A configuration file as the program saves it.
void WriteConfigFile(const fs::path& path, const std::array<Bytes, 4>& areas, const std::u16string& model)
{
    ConfigHeader header{};
    header.magic = kConfigMagic;
    header.size0 = static_cast<uint32_t>(areas[0].size());
    header.size16 = static_cast<uint32_t>(areas[1].size());
    header.size40 = static_cast<uint32_t>(areas[2].size());
    header.size64 = static_cast<uint32_t>(areas[3].size());
    SetHeaderDeviceName(header, model);
    SetHeaderSoftwareVersion(header, u"1.0");
    Bytes bytes = Joined(areas);
    const auto* raw = reinterpret_cast<const uint8_t*>(&header);
    bytes.insert(bytes.end(), raw, raw + sizeof header);
    WriteAll(path, bytes);
}

class DevicePathTest : public ::testing::Test {
protected:
    // A simulated device; its areas from `areas` (if given), written areas
    // saved into `saved` (if given).
    DevsimLauncher& StartDevice(const std::string& model, const fs::path& areas = {}, const fs::path& saved = {},
                                const std::vector<std::string>& more = {})
    {
        std::vector<std::string> args = {"--model", model, "--restart-silence", "0", "--exit-with-parent"};
        args.insert(args.end(), more.begin(), more.end());
        if (!areas.empty())
            args.insert(args.end(), {"--areas", areas.string()});
        if (!saved.empty())
            args.insert(args.end(), {"--save-areas", saved.string()});
        m_devices.push_back(std::make_unique<DevsimLauncher>());
        DevsimLauncher& device = *m_devices.back();
        EXPECT_TRUE(device.Start(MIRREX_DEVSIM_PROGRAM, args)) << device.Error();
        return device;
    }
    void UsePort(uint32_t com)
    {
        gui.StoreSettings(GuiHarness::SettingsForPort(com));
    }
    void Choose(int radio)
    {
        QTest::mouseClick(gui.Sheet().Page(kPageStart)->findChild<QRadioButton*>(QString::number(radio)),
                          Qt::LeftButton);
    }
    QLineEdit* Edit(int page, int id)
    {
        return gui.Sheet().Page(page)->findChild<QLineEdit*>(QString::number(id));
    }
    // From the start page to page 7 with the file chosen.
    void GoToWritePage(const fs::path& file)
    {
        Choose(kRadioReplicateFromFile);
        ASSERT_TRUE(gui.Press(kCmdWizNext));
        Edit(kPageReplicateFile, 1006)->setText(QString::fromStdString(file.string()));
        ASSERT_TRUE(gui.Press(kCmdWizNext));
        ASSERT_EQ(gui.Sheet().ActivePage(), kPageWrite);
    }
    // From the start page through a read of the device to a saved file.
    void SaveDeviceInto(const fs::path& target)
    {
        Choose(kRadioSaveToFile);
        ASSERT_TRUE(gui.Press(kCmdWizNext));
        ASSERT_TRUE(gui.Press(kCmdWizNext));
        ASSERT_EQ(gui.Sheet().ActivePage(), kPageReadSettings);
        ASSERT_TRUE(gui.Press(kCmdWizNext));
        ASSERT_EQ(gui.Sheet().ActivePage(), kPageSaveFile) << ::testing::PrintToString(gui.prompts.Texts());
        Edit(kPageSaveFile, 1003)->setText(QString::fromStdString(target.string()));
        ASSERT_TRUE(gui.Press(kCmdWizNext));
        ASSERT_EQ(gui.Sheet().ActivePage(), kPageStart) << ::testing::PrintToString(gui.prompts.Texts());
    }
    static ConfigHeader HeaderOf(const Bytes& file)
    {
        ConfigHeader header{};
        if (file.size() >= sizeof header)
            std::memcpy(&header, file.data() + file.size() - sizeof header, sizeof header);
        return header;
    }
    bool Shown(const std::string& text) const
    {
        for (const auto& box : gui.prompts.shown)
            if (box.text.find(text) != std::string::npos)
                return true;
        return false;
    }

    GuiHarness gui;
    std::vector<std::unique_ptr<DevsimLauncher>> m_devices;
};

TEST_F(DevicePathTest, SavesAConnectedDeviceIntoAFile)
{
    const auto areas = MakeAreas(7);
    WriteAreaFolder(gui.Folder() / "device", areas);
    UsePort(StartDevice("KLX41", gui.Folder() / "device").ComNumber());
    CWizard97PropertySheet& sheet = gui.Open();

    Choose(kRadioSaveToFile);
    ASSERT_TRUE(gui.Press(kCmdWizNext));
    EXPECT_EQ(sheet.ActivePage(), kPageConnect);
    ASSERT_TRUE(gui.Press(kCmdWizNext));
    ASSERT_EQ(sheet.ActivePage(), kPageReadSettings);
    ASSERT_TRUE(gui.Press(kCmdWizNext));
    ASSERT_EQ(sheet.ActivePage(), kPageSaveFile) << ::testing::PrintToString(gui.prompts.Texts());

    const fs::path target = gui.Folder() / "saved.klx41";
    Edit(kPageSaveFile, 1003)->setText(QString::fromStdString(target.string()));
    ASSERT_TRUE(gui.Press(kCmdWizNext));
    EXPECT_EQ(sheet.ActivePage(), kPageStart);
    EXPECT_EQ(gui.prompts.Texts(), std::vector<std::string>{"Конфигурация из прибора успешно сохранена в файл. "});

    const Bytes saved = ReadAll(target);
    const Bytes expected = Joined(areas);
    ASSERT_EQ(saved.size(), expected.size() + sizeof(ConfigHeader));
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), saved.begin()));
    ConfigHeader header;
    std::memcpy(&header, saved.data() + expected.size(), sizeof header);
    EXPECT_EQ(header.magic, kConfigMagic);
    EXPECT_EQ(HeaderDeviceName(header), u"KLX41");
}

TEST_F(DevicePathTest, WritesOneFileIntoTwoDevicesInARow)
{
    const auto areas = MakeAreas(42);
    const fs::path file = gui.Folder() / "master.klx41";
    WriteConfigFile(file, areas, u"KLX41");
    DevsimLauncher& first = StartDevice("KLX41", {}, gui.Folder() / "first");
    DevsimLauncher& second = StartDevice("KLX41", {}, gui.Folder() / "second");
    UsePort(first.ComNumber());
    gui.Open();
    GoToWritePage(file);

    gui.prompts.answers = {MsgAnswer::Yes};
    ASSERT_TRUE(gui.Press(kCmdWizNext));
    EXPECT_EQ(gui.Sheet().ActivePage(), kPageWrite) << ::testing::PrintToString(gui.prompts.Texts());
    EXPECT_EQ(gui.prompts.Texts().back(), texts::kWriteDoneQuestion);

    // The next device is on another port: the write reads the stored settings.
    UsePort(second.ComNumber());
    gui.prompts.answers = {MsgAnswer::No};
    ASSERT_TRUE(gui.Press(kCmdWizNext));
    EXPECT_EQ(gui.Sheet().ActivePage(), kPageStart) << ::testing::PrintToString(gui.prompts.Texts());
    EXPECT_EQ(gui.prompts.shown.size(), 2u);
    EXPECT_FALSE(Shown("Дата и время"));

    const int numbers[4] = {0, 16, 40, 64};
    for (const fs::path& folder : {gui.Folder() / "first", gui.Folder() / "second"})
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(ReadAll(folder / ("config_" + std::to_string(numbers[i]) + ".dat")), areas[i])
                << folder << " area " << numbers[i];
}

TEST_F(DevicePathTest, ClockOptionSetsTheDeviceTimeAfterTheWrite)
{
    const fs::path file = gui.Folder() / "master.klx41";
    WriteConfigFile(file, MakeAreas(1), u"KLX41");
    UsePort(StartDevice("KLX41").ComNumber());
    gui.Keys().WriteDword(kMirrexKey, kClockOptionValue, 1);
    gui.Open();
    GoToWritePage(file);
    gui.prompts.answers = {MsgAnswer::No};
    ASSERT_TRUE(gui.Press(kCmdWizNext));
    EXPECT_TRUE(Shown("Дата и время в приборе: 31.12.2009.23.59.58 ")) << ::testing::PrintToString(gui.prompts.Texts());
    EXPECT_EQ(gui.Sheet().ActivePage(), kPageStart);
}

TEST_F(DevicePathTest, RefusedModelWhileReadingShowsPageFiveAndBackLeadsToPageThree)
{
    UsePort(StartDevice("XYZ99").ComNumber());
    CWizard97PropertySheet& sheet = gui.Open();
    sheet.SetActivePage(kPageReadSettings);
    ASSERT_TRUE(gui.Press(kCmdWizNext));
    EXPECT_EQ(sheet.ActivePage(), kPageRefused) << ::testing::PrintToString(gui.prompts.Texts());
    ASSERT_TRUE(gui.Press(kCmdWizBack));
    EXPECT_EQ(sheet.ActivePage(), kPageReadSettings);
}

TEST_F(DevicePathTest, RefusedModelWhileWritingShowsPageFiveAndBackLeadsToPageEight)
{
    const fs::path file = gui.Folder() / "master.klx41";
    WriteConfigFile(file, MakeAreas(3), u"KLX41");
    UsePort(StartDevice("KLX51").ComNumber());
    CWizard97PropertySheet& sheet = gui.Open();
    GoToWritePage(file);
    ASSERT_TRUE(gui.Press(kCmdWizNext));
    EXPECT_EQ(sheet.ActivePage(), kPageRefused) << ::testing::PrintToString(gui.prompts.Texts());
    EXPECT_TRUE(gui.prompts.shown.empty());
    ASSERT_TRUE(gui.Press(kCmdWizBack));
    EXPECT_EQ(sheet.ActivePage(), kPageWriteSettings);
    // Back from page 8 stores its list and tries page 7 again.
    ASSERT_TRUE(gui.Press(kCmdWizBack));
    EXPECT_EQ(sheet.ActivePage(), kPageWrite);
}

TEST_F(DevicePathTest, WriteThroughAPortThatCannotBeOpenedLeadsToPageEight)
{
    const fs::path file = gui.Folder() / "master.klx41";
    WriteConfigFile(file, MakeAreas(5), u"KLX41");
    UsePort(251);
    CWizard97PropertySheet& sheet = gui.Open();
    GoToWritePage(file);
    ASSERT_TRUE(gui.Press(kCmdWizNext));
    EXPECT_EQ(sheet.ActivePage(), kPageWriteSettings);
    ASSERT_EQ(gui.prompts.shown.size(), 1u);
    EXPECT_EQ(gui.prompts.shown[0].text.rfind("Не удалось открыть COM-порт. ", 0), 0u);

    // The file deleted before the next attempt: back to the file page.
    ASSERT_TRUE(gui.Press(kCmdWizBack));
    fs::remove(file);
    ASSERT_TRUE(gui.Press(kCmdWizNext));
    EXPECT_EQ(sheet.ActivePage(), kPageReplicateFile);
}

TEST_F(DevicePathTest, EachSaveNamesTheDeviceItWasReadFrom)
{
    // Device A, then device B connected in its place on the same port.
    const auto areasA = MakeAreas(11);
    const auto areasB = MakeAreas(12);
    WriteAreaFolder(gui.Folder() / "a", areasA);
    WriteAreaFolder(gui.Folder() / "b", areasB);
    DevsimLauncher& a = StartDevice("KLX41", gui.Folder() / "a");
    const uint32_t com = a.ComNumber();
    UsePort(com);
    gui.Open();
    SaveDeviceInto(gui.Folder() / "a.klx41");
    a.Stop();
    StartDevice("КЛХ41", gui.Folder() / "b", {}, {"--version", "2.0", "--com", std::to_string(com)});
    SaveDeviceInto(gui.Folder() / "b.klx41");

    const Bytes fileA = ReadAll(gui.Folder() / "a.klx41");
    const Bytes fileB = ReadAll(gui.Folder() / "b.klx41");
    EXPECT_EQ(HeaderDeviceName(HeaderOf(fileA)), u"KLX41");
    EXPECT_EQ(HeaderDeviceName(HeaderOf(fileB)), u"КЛХ41");
    EXPECT_EQ(HeaderSoftwareVersion(HeaderOf(fileB)), u"2.0");
    const Bytes joinedB = Joined(areasB);
    EXPECT_TRUE(std::equal(joinedB.begin(), joinedB.end(), fileB.begin()));
}

TEST_F(DevicePathTest, AFileCheckedBeforeASaveDoesNotNameIt)
{
    const fs::path file = gui.Folder() / "other.klx41";
    WriteConfigFile(file, MakeAreas(2), u"РГХ206К");
    UsePort(StartDevice("KLX41", {}, {}, {"--version", "3.1"}).ComNumber());
    gui.Open();
    SaveDeviceInto(gui.Folder() / "first.klx41");
    GoToWritePage(file);
    gui.prompts.answers = {MsgAnswer::Yes};
    ASSERT_TRUE(gui.Press(kCmdWizFinish));
    ASSERT_EQ(gui.Sheet().ActivePage(), kPageStart);
    SaveDeviceInto(gui.Folder() / "saved.klx41");
    const ConfigHeader header = HeaderOf(ReadAll(gui.Folder() / "saved.klx41"));
    EXPECT_EQ(HeaderDeviceName(header), u"KLX41");
    EXPECT_EQ(HeaderSoftwareVersion(header), u"3.1");
}

TEST_F(DevicePathTest, AWriteRepairsABlockTheDeviceTookTwice)
{
    const auto areas = MakeAreas(9);
    const fs::path file = gui.Folder() / "master.klx41";
    WriteConfigFile(file, areas, u"KLX41");
    UsePort(StartDevice("KLX41", {}, gui.Folder() / "device", {"--fault", "P.W.R.T.:10:1:lost"}).ComNumber());
    gui.Open();
    GoToWritePage(file);
    gui.prompts.answers = {MsgAnswer::No};
    ASSERT_TRUE(gui.Press(kCmdWizNext));
    // The rewrite is told once, before the question for another device.
    EXPECT_EQ(gui.prompts.Texts(),
              std::vector<std::string>{std::string("Запись потребовала повторов: программа CoDeSys - 1 "
                                                   "(отличие при проверке). \n\n")
                                       + texts::kWriteDoneQuestion});
    const int numbers[4] = {0, 16, 40, 64};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(ReadAll(gui.Folder() / "device" / ("config_" + std::to_string(numbers[i]) + ".dat")), areas[i]);
}

TEST_F(DevicePathTest, AFileWithAnEmptyAreaNeverReachesTheDevice)
{
    auto areas = MakeAreas(4);
    areas[0].clear();
    const fs::path file = gui.Folder() / "empty.klx41";
    WriteConfigFile(file, areas, u"KLX41");
    const fs::path log = gui.Folder() / "requests.log";
    UsePort(StartDevice("KLX41", {}, {}, {"--log-requests", log.string()}).ComNumber());
    CWizard97PropertySheet& sheet = gui.Open();
    GoToWritePage(file);
    ASSERT_TRUE(gui.Press(kCmdWizNext));
    EXPECT_EQ(sheet.ActivePage(), kPageReplicateFile);
    EXPECT_EQ(gui.prompts.Texts(), std::vector<std::string>{"Не удалось записать программу CoDeSys. "});
    EXPECT_TRUE(fs::exists(log));
    EXPECT_EQ(fs::file_size(log), 0u);
}

}  // namespace
