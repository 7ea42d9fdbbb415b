// The wizard's flow on the real device link, configuration files and
// settings store, against the device model: what a saved file says about
// its device when other devices, file checks and writes came first in the
// same run, and a file the write would refuse.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "DeviceTestKit.h"
#include "FakeSheet.h"
#include "MemoryKeyStore.h"
#include "platform/Clock.h"
#include "platform/PortMap.h"
#include "resources/PageTexts.h"
#include "settings/SettingsStore.h"
#include "wizard/LinkOperations.h"
#include "wizard/WizardFlow.h"

namespace {

namespace fs = std::filesystem;

class StoppedClock : public Clock {
public:
    LocalTime Now() override { return {2009, 12, 31, 23, 59, 58}; }
};

DeviceModelConfig Device(const std::string& model, const std::string& version, uint32_t seed)
{
    DeviceModelConfig config;
    config.model = model;
    config.version = version;
    config.areaSizes = {300 + seed, 100, 60, 30};
    return config;
}

class FlowOnDevice : public ::testing::Test {
protected:
    FlowOnDevice()
    {
        sheet.listContents[kPageReadSettings] = rig.Settings();
    }

    void ReadAndSave(const fs::path& target)
    {
        sheet.active = kPageReadSettings;
        ASSERT_EQ(flow.OnCommand(kCmdWizNext), WizardFlow::Outcome::PassOn)
            << ::testing::PrintToString(rig.prompts.Texts());
        sheet.active = kPageSaveFile;
        sheet.savePath = target.string();
        flow.OnCommand(kCmdWizNext);
        ASSERT_EQ(sheet.active, kPageStart) << ::testing::PrintToString(rig.prompts.Texts());
    }

    // Checks the file on page 6 and writes it on page 7; the device then
    // holds it.
    void CheckAndWrite(const fs::path& file)
    {
        sheet.replicatePath = file.string();
        sheet.active = kPageReplicateFile;
        ASSERT_EQ(flow.OnCommand(kCmdWizNext), WizardFlow::Outcome::PassOn);
        sheet.active = kPageWrite;
        flow.OnCommand(kCmdWizNext);
    }

    ConfigHeader HeaderOf(const fs::path& file)
    {
        std::vector<uint8_t> bytes = FileBytes(file);
        ConfigHeader header{};
        if (bytes.size() >= sizeof header) std::memcpy(&header, bytes.data() + bytes.size() - sizeof header, sizeof header);
        return header;
    }

    void WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes)
    {
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                     static_cast<std::streamsize>(bytes.size()));
    }

    fs::path Path(const char* name) const { return rig.folder.Path() / name; }

    Rig rig{Device("KLX41", "1.0", 0)};
    FakeSheet sheet;
    MemoryKeyStore keys;
    PortMap ports{PortMapRoots{(rig.folder.Path() / "aliases").string(), (rig.folder.Path() / "sys").string(),
                               (rig.folder.Path() / "dev").string(), (rig.folder.Path() / "by-id").string()}};
    SettingsStore store{keys, ports};
    StoppedClock clock;
    LinkOperations ops{rig.link, store, clock};
    WizardFlow flow{sheet, ops, rig.prompts, keys};
};

}  // namespace

TEST_F(FlowOnDevice, TwoDevicesInOneRunEachSaveNamesItsOwnDevice)
{
    ReadAndSave(Path("a.klx41"));
    DeviceModel other(Device("КЛХ41", "2.0", 5));
    rig.connected = &other;
    ReadAndSave(Path("b.klx41"));

    EXPECT_EQ(HeaderDeviceName(HeaderOf(Path("a.klx41"))), u"KLX41");
    EXPECT_EQ(HeaderSoftwareVersion(HeaderOf(Path("a.klx41"))), u"1.0");
    const ConfigHeader b = HeaderOf(Path("b.klx41"));
    EXPECT_EQ(HeaderDeviceName(b), u"КЛХ41");
    EXPECT_EQ(HeaderSoftwareVersion(b), u"2.0");
    EXPECT_EQ(b.size0, 305u);
    std::vector<uint8_t> bytes = FileBytes(Path("b.klx41"));
    EXPECT_TRUE(std::equal(other.Area(0).begin(), other.Area(0).end(), bytes.begin()));
}

TEST_F(FlowOnDevice, AFileCheckedAndWrittenBeforeDoesNotNameTheNextSave)
{
    // A file from another device of the model, with another version.
    const Source foreign({300, 100, 60, 30}, "KLX41", "7.7");
    WriteFile(Path("x.klx41"), foreign.image);
    rig.prompts.answers = {MsgAnswer::Yes, MsgAnswer::No};  // write despite the version; no further device
    CheckAndWrite(Path("x.klx41"));
    ASSERT_EQ(sheet.active, kPageStart) << ::testing::PrintToString(rig.prompts.Texts());
    // Only checked, not written.
    const Source other({200, 100, 60, 30}, "РГХ206К", "3.3");
    WriteFile(Path("y.klx41"), other.image);
    sheet.replicatePath = Path("y.klx41").string();
    sheet.active = kPageReplicateFile;
    ASSERT_EQ(flow.OnCommand(kCmdWizNext), WizardFlow::Outcome::PassOn);

    ReadAndSave(Path("saved.klx41"));
    const ConfigHeader saved = HeaderOf(Path("saved.klx41"));
    EXPECT_EQ(HeaderDeviceName(saved), u"KLX41");
    EXPECT_EQ(HeaderSoftwareVersion(saved), u"1.0");
    EXPECT_EQ(saved.size0, 300u);
    // The areas are the ones written from x.
    std::vector<uint8_t> bytes = FileBytes(Path("saved.klx41"));
    EXPECT_TRUE(std::equal(foreign.areas[0].begin(), foreign.areas[0].end(), bytes.begin()));
}

TEST_F(FlowOnDevice, AFileWithAnEmptyAreaIsRefusedBeforeThePortOpens)
{
    const Source empty({0, 300, 60, 30});
    WriteFile(Path("empty.klx41"), empty.image);
    const std::vector<uint8_t> before = rig.device.Area(0);
    CheckAndWrite(Path("empty.klx41"));
    EXPECT_EQ(sheet.active, kPageReplicateFile);
    EXPECT_EQ(rig.prompts.Texts(), std::vector<std::string>{"Не удалось записать программу CoDeSys. "});
    EXPECT_EQ(rig.line, nullptr);  // no port was ever opened
    EXPECT_TRUE(rig.device.Heard().empty());
    EXPECT_EQ(rig.device.Area(0), before);
}

TEST_F(FlowOnDevice, AWriteThatNeededRepeatsSaysSoOnceBeforeTheQuestionForAnotherDevice)
{
    const Source file({300, 100, 60, 30}, "KLX41", "1.0");
    WriteFile(Path("f.klx41"), file.image);
    // Area 16's second block gets no answer three times: it is written
    // again. The next device writes cleanly.
    rig.device.AddFault({Hash("P.W.R.T."), 21 + 2, 3, {DeviceFault::Silence}});
    rig.prompts.answers = {MsgAnswer::Yes, MsgAnswer::No};
    CheckAndWrite(Path("f.klx41"));
    ASSERT_EQ(sheet.active, kPageWrite) << ::testing::PrintToString(rig.prompts.Texts());
    flow.OnCommand(kCmdWizNext);
    EXPECT_EQ(sheet.active, kPageStart);
    EXPECT_EQ(rig.prompts.Texts(),
              (std::vector<std::string>{std::string("Запись потребовала повторов: конфигурация - 1 (сбой связи). \n\n")
                                            + texts::kWriteDoneQuestion,
                                        texts::kWriteDoneQuestion}));
}
