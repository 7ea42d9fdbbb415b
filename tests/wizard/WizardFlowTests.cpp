#include <gtest/gtest.h>

#include "FlowFakes.h"
#include "resources/BackupTexts.h"
#include "resources/DeviceTexts.h"
#include "resources/PageTexts.h"
#include "wizard/StoredChoices.h"

namespace {

using Outcome = WizardFlow::Outcome;
using Calls = std::vector<std::string>;

class WizardFlowTest : public ::testing::Test {
protected:
    Outcome Press(int page, int command)
    {
        sheet.active = page;
        return flow.OnCommand(command);
    }
    void SetClockOption(uint32_t value)
    {
        keys.CreateKey(kMirrexKey);
        keys.WriteDword(kMirrexKey, kClockOptionValue, value);
    }

    FakeSheet sheet;
    FakeOperations ops;
    ScriptedPrompts prompts;
    MemoryKeyStore keys;
    WizardFlow flow{sheet, ops, prompts, keys};
};

TEST_F(WizardFlowTest, StartPageNextFollowsTheSelectedButton)
{
    sheet.selection = kRadioSaveToFile;
    EXPECT_EQ(Press(kPageStart, kCmdWizNext), Outcome::Handled);
    EXPECT_EQ(sheet.active, kPageConnect);

    sheet.selection = kRadioReplicateFromFile;
    EXPECT_EQ(Press(kPageStart, kCmdWizNext), Outcome::Handled);
    EXPECT_EQ(sheet.active, kPageReplicateFile);

    sheet.selection = kRadioReplicateFromDevice;
    EXPECT_EQ(Press(kPageStart, kCmdWizNext), Outcome::Handled);
    EXPECT_EQ(sheet.active, kPageStart);
    EXPECT_EQ(prompts.Texts(), Calls{"Replicate From Device "});
    EXPECT_EQ(prompts.shown[0].buttons, MsgButtons::Ok);

    // No button selected: the sheet's own order, the save path.
    sheet.selection = 0;
    EXPECT_EQ(Press(kPageStart, kCmdWizNext), Outcome::PassOn);
    EXPECT_TRUE(ops.calls.empty());
}

TEST_F(WizardFlowTest, NextOnReadSettingsStoresTheListThenReadsOverAFreshPort)
{
    CommSettings edited{};
    edited.com = 7;
    edited.baud_rate = 9600;
    sheet.listContents[kPageReadSettings] = edited;

    EXPECT_EQ(Press(kPageReadSettings, kCmdWizNext), Outcome::PassOn);
    EXPECT_EQ(sheet.listSaves, std::vector<int>{kPageReadSettings});
    EXPECT_EQ(ops.calls, (Calls{"Stop", "Start", "Read"}));
    EXPECT_EQ(ops.startedWith, edited);
    EXPECT_FALSE(ops.identifyPending);
}

TEST_F(WizardFlowTest, FailedReadStaysAndIdentifiesAgainNextTime)
{
    ops.readResult = 0;
    EXPECT_EQ(Press(kPageReadSettings, kCmdWizNext), Outcome::Handled);
    EXPECT_EQ(sheet.active, kPageReadSettings);
    EXPECT_TRUE(ops.identifyPending);
}

TEST_F(WizardFlowTest, RefusalWhileReadingShowsThePageAndBackReturnsToReadSettings)
{
    ops.readResult = 0;
    ops.refuseOnJob = true;
    EXPECT_EQ(Press(kPageReadSettings, kCmdWizNext), Outcome::Handled);
    EXPECT_EQ(sheet.active, kPageRefused);
    EXPECT_FALSE(ops.deviceRefused);
    EXPECT_FALSE(ops.identifyPending);

    EXPECT_EQ(flow.OnCommand(kCmdWizBack), Outcome::Handled);
    EXPECT_EQ(sheet.active, kPageReadSettings);
}

TEST_F(WizardFlowTest, PortThatCannotBeOpenedShowsItsTextAndRunsNoJob)
{
    const std::pair<int, const char*> cases[] = {
        {-1, "Не удалось открыть COM-порт. "},
        {-3, "Возникла ошибка при настройке COM-порта. "},
        {-10, "Возникла ошибка при настройке COM-порта. "},
        {4, "Неизвестная ошибка при открытии порта. "},
    };
    for (const auto& [code, text] : cases) {
        ops.calls.clear();
        prompts.shown.clear();
        ops.startResult = code;
        EXPECT_EQ(Press(kPageReadSettings, kCmdWizNext), Outcome::Handled);
        EXPECT_EQ(sheet.active, kPageReadSettings);
        EXPECT_EQ(ops.calls, (Calls{"Stop", "Start"}));
        EXPECT_EQ(prompts.Texts(), Calls{text});
    }
    // The writing side goes to its settings page instead.
    ops.calls.clear();
    EXPECT_EQ(Press(kPageWrite, kCmdWizNext), Outcome::Handled);
    EXPECT_EQ(sheet.active, kPageWriteSettings);
    EXPECT_EQ(std::count(ops.calls.begin(), ops.calls.end(), "Write"), 0);
}

TEST_F(WizardFlowTest, PortFailureNamesTheDeviceWhenThePortKnowsIt)
{
    ops.startResult = -1;
    ops.openDetail = "/dev/ttyUSB0: permission denied";
    Press(kPageReadSettings, kCmdWizNext);
    EXPECT_EQ(prompts.Texts(), Calls{"Не удалось открыть COM-порт. \n\n/dev/ttyUSB0: permission denied"});
}

TEST_F(WizardFlowTest, SaveFileGoesHomeOnlyWhenSaved)
{
    sheet.savePath = " odd name ";
    EXPECT_EQ(Press(kPageSaveFile, kCmdWizNext), Outcome::Handled);
    EXPECT_EQ(sheet.active, kPageStart);
    EXPECT_EQ(ops.calls, Calls{"Save  odd name "});

    ops.saveResult = false;
    EXPECT_EQ(Press(kPageSaveFile, kCmdWizNext), Outcome::Handled);
    EXPECT_EQ(sheet.active, kPageSaveFile);
}

TEST_F(WizardFlowTest, ReplicateFileIsCheckedBeforeTheWritePage)
{
    sheet.replicatePath = "/tmp/a.klx41";
    EXPECT_EQ(Press(kPageReplicateFile, kCmdWizNext), Outcome::PassOn);
    ops.checkResult = false;
    EXPECT_EQ(Press(kPageReplicateFile, kCmdWizNext), Outcome::Handled);
    EXPECT_EQ(sheet.active, kPageReplicateFile);
}

TEST_F(WizardFlowTest, WriteUsesThePersistedSettingsAndAsksForAnotherDevice)
{
    sheet.replicatePath = "/tmp/a.klx41";
    ops.persisted.com = 3;
    ops.persisted.baud_rate = 19200;
    CommSettings shownOnPage8{};
    shownOnPage8.com = 9;
    sheet.listSettings[kPageWriteSettings] = shownOnPage8;

    prompts.answers = {MsgAnswer::Yes};
    EXPECT_EQ(Press(kPageWrite, kCmdWizNext), Outcome::Handled);
    EXPECT_EQ(ops.calls, (Calls{"Check /tmp/a.klx41", "Load /tmp/a.klx41", "Reload", "Stop", "Start",
                                "Write"}));
    EXPECT_EQ(ops.startedWith, ops.persisted);
    EXPECT_EQ(sheet.listSettings[kPageWriteSettings], ops.persisted);
    EXPECT_EQ(ops.written, ops.fileImage);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, texts::kWriteDoneQuestion);
    EXPECT_EQ(prompts.shown[0].icon, MsgIcon::Information);
    EXPECT_EQ(prompts.shown[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(sheet.active, kPageWrite);

    // The next device: the file is read from disk again; No ends the series.
    ops.calls.clear();
    prompts.answers = {MsgAnswer::No};
    EXPECT_EQ(flow.OnCommand(kCmdWizNext), Outcome::Handled);
    EXPECT_EQ(ops.calls.front(), "Check /tmp/a.klx41");
    EXPECT_EQ(sheet.active, kPageStart);
}

TEST_F(WizardFlowTest, FileThatFailsAtTheWritePageLeadsBackToTheFilePage)
{
    ops.checkResult = false;
    EXPECT_EQ(Press(kPageWrite, kCmdWizNext), Outcome::Handled);
    EXPECT_EQ(sheet.active, kPageReplicateFile);
    EXPECT_EQ(ops.calls.size(), 1u);

    // Checked but unreadable when loaded: nothing is written.
    ops.checkResult = true;
    ops.loadResult = false;
    ops.calls.clear();
    EXPECT_EQ(Press(kPageWrite, kCmdWizNext), Outcome::Handled);
    EXPECT_EQ(sheet.active, kPageReplicateFile);
    EXPECT_EQ(std::count(ops.calls.begin(), ops.calls.end(), "Write"), 0);
}

TEST_F(WizardFlowTest, FailedOrRefusedWriteLeadsToItsPage)
{
    ops.writeResult = 0;
    EXPECT_EQ(Press(kPageWrite, kCmdWizNext), Outcome::Handled);
    EXPECT_EQ(sheet.active, kPageWriteSettings);
    EXPECT_TRUE(ops.identifyPending);
    EXPECT_TRUE(prompts.shown.empty());

    ops.identifyPending = false;
    ops.refuseOnJob = true;
    EXPECT_EQ(Press(kPageWrite, kCmdWizNext), Outcome::Handled);
    EXPECT_EQ(sheet.active, kPageRefused);
    EXPECT_FALSE(ops.identifyPending);
    EXPECT_FALSE(ops.deviceRefused);

    EXPECT_EQ(flow.OnCommand(kCmdWizBack), Outcome::Handled);
    EXPECT_EQ(sheet.active, kPageWriteSettings);
}

TEST_F(WizardFlowTest, ClockIsSetOnlyWhenTheStoredOptionIsOne)
{
    // No key at all: no clock, and nothing is created.
    Press(kPageWrite, kCmdWizNext);
    EXPECT_EQ(std::count(ops.calls.begin(), ops.calls.end(), "Clock"), 0);
    EXPECT_FALSE(keys.KeyExists(kMirrexKey));

    // Key without the value: the value is created as 0.
    keys.CreateKey(kMirrexKey);
    Press(kPageWrite, kCmdWizNext);
    EXPECT_EQ(keys.ReadDword(kMirrexKey, kClockOptionValue), 0u);
    EXPECT_EQ(std::count(ops.calls.begin(), ops.calls.end(), "Clock"), 0);

    SetClockOption(1);
    ops.calls.clear();
    prompts.shown.clear();
    Press(kPageWrite, kCmdWizNext);
    EXPECT_EQ(ops.calls.back(), "Clock");
    EXPECT_EQ(prompts.Texts(), Calls{texts::kWriteDoneQuestion});
}

TEST_F(WizardFlowTest, WriteVerifiesUnlessTheStoredOptionIsOff)
{
    Press(kPageWrite, kCmdWizNext);
    EXPECT_EQ(std::count(ops.calls.begin(), ops.calls.end(), "Write"), 1);

    keys.CreateKey(kMirrexKey);
    StoreVerifyOption(keys, false);
    ops.calls.clear();
    Press(kPageWrite, kCmdWizNext);
    EXPECT_EQ(std::count(ops.calls.begin(), ops.calls.end(), "Write unverified"), 1);
}

TEST_F(WizardFlowTest, AFileTheWriteWouldRefuseNeverOpensThePort)
{
    ops.fileImage = ImageWithSizes({100, 50, 0, 62});
    EXPECT_EQ(Press(kPageWrite, kCmdWizNext), Outcome::Handled);
    EXPECT_EQ(sheet.active, kPageReplicateFile);
    EXPECT_EQ(prompts.Texts(), Calls{"Не удалось записать значения параметров. "});
    EXPECT_EQ(prompts.shown[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(std::count(ops.calls.begin(), ops.calls.end(), "Start"), 0);
}

TEST_F(WizardFlowTest, ClockOutcomesDecideThePage)
{
    SetClockOption(1);
    ops.clockOutcome = ClockOutcome::RetryDeclined;
    Press(kPageWrite, kCmdWizNext);
    EXPECT_EQ(sheet.active, kPageWrite);
    EXPECT_TRUE(prompts.shown.empty());

    ops.clockOutcome = ClockOutcome::ReadBackFailed;
    Press(kPageWrite, kCmdWizNext);
    EXPECT_EQ(sheet.active, kPageWriteSettings);
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(WizardFlowTest, BackByPage)
{
    EXPECT_EQ(Press(kPageReadSettings, kCmdWizBack), Outcome::PassOn);
    EXPECT_EQ(Press(kPageSaveFile, kCmdWizBack), Outcome::PassOn);
    EXPECT_EQ(Press(kPageWrite, kCmdWizBack), Outcome::PassOn);
    EXPECT_TRUE(sheet.listSaves.empty());

    EXPECT_EQ(Press(kPageWriteSettings, kCmdWizBack), Outcome::PassOn);
    EXPECT_EQ(sheet.listSaves, std::vector<int>{kPageWriteSettings});

    // Page 5 without a write refusal: back to the reading settings.
    ops.refusalCode = 0;
    EXPECT_EQ(Press(kPageRefused, kCmdWizBack), Outcome::Handled);
    EXPECT_EQ(sheet.active, kPageReadSettings);
    EXPECT_TRUE(sheet.switches.size() == 1);
}

TEST_F(WizardFlowTest, ReturnToStartAsksAndStoresOnlyTheSettingsPages)
{
    prompts.answers = {MsgAnswer::No};
    EXPECT_EQ(Press(kPageReadSettings, kCmdWizFinish), Outcome::PassOn);
    EXPECT_EQ(sheet.active, kPageReadSettings);
    EXPECT_TRUE(sheet.listSaves.empty());
    const MessageBoxRequest& box = prompts.shown.at(0);
    EXPECT_EQ(box.text, "Вернуться к начальному окну программы? ");
    EXPECT_EQ(box.caption, MsgCaption::Sheet);
    EXPECT_EQ(box.icon, MsgIcon::Question);
    EXPECT_EQ(box.buttons, MsgButtons::YesNo);
    EXPECT_TRUE(box.defaultIsSecond);

    for (int page : {kPageReadSettings, kPageWriteSettings, kPageSaveFile, kPageWrite}) {
        sheet.listSaves.clear();
        prompts.answers = {MsgAnswer::Yes};
        EXPECT_EQ(Press(page, kCmdWizFinish), Outcome::PassOn);
        EXPECT_EQ(sheet.active, kPageStart);
        const bool listPage = page == kPageReadSettings || page == kPageWriteSettings;
        EXPECT_EQ(sheet.listSaves, listPage ? std::vector<int>{page} : std::vector<int>{});
    }
}

TEST_F(WizardFlowTest, LeavingAsksFirstForBothButtonAndWindowClose)
{
    prompts.answers = {MsgAnswer::No, MsgAnswer::Yes, MsgAnswer::No, MsgAnswer::Yes};
    EXPECT_EQ(Press(kPageSaveFile, kCmdCancel), Outcome::Handled);
    EXPECT_EQ(Press(kPageSaveFile, kCmdCancel), Outcome::PassOn);
    EXPECT_EQ(flow.OnSysCommand(kSysCmdClose), Outcome::Handled);
    EXPECT_EQ(flow.OnSysCommand(kSysCmdClose), Outcome::PassOn);
    for (const auto& box : prompts.shown) {
        EXPECT_EQ(box.text, "Выйти из программы? ");
        EXPECT_EQ(box.caption, MsgCaption::Sheet);
        EXPECT_TRUE(box.defaultIsSecond);
    }
    EXPECT_EQ(sheet.active, kPageSaveFile);

    // Other system commands pass without a question.
    EXPECT_EQ(flow.OnSysCommand(0xF020), Outcome::PassOn);
    EXPECT_EQ(prompts.shown.size(), 4u);
}

TEST_F(WizardFlowTest, UnknownCommandIsReportedAndPassedOn)
{
    EXPECT_EQ(Press(kPageConnect, 0x1234), Outcome::PassOn);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, "Unsupported command ");
    EXPECT_EQ(prompts.shown[0].icon, MsgIcon::Error);
}

}  // namespace

TEST_F(WizardFlowTest, TheBackupOptionKeepsTheDeviceFirstAndNamesTheFile)
{
    // Off by default: no backup.
    Press(kPageWrite, kCmdWizNext);
    EXPECT_EQ(std::count(ops.calls.begin(), ops.calls.end(), "Backup"), 0);

    keys.CreateKey(kMirrexKey);
    StoreBackupOption(keys, true);
    ops.calls.clear();
    prompts.shown.clear();
    Press(kPageWrite, kCmdWizNext);
    const auto backup = std::find(ops.calls.begin(), ops.calls.end(), "Backup");
    ASSERT_NE(backup, ops.calls.end());
    EXPECT_EQ(*(backup + 1), "Write");
    EXPECT_EQ(prompts.Texts(), Calls{std::string(texts::kBackupSaved) + *ops.backupPath + "\n\n"
                                     + texts::kWriteDoneQuestion});

    // A write that fails after the backup still names the backup.
    ops.writeResult = 0;
    prompts.shown.clear();
    Press(kPageWrite, kCmdWizNext);
    EXPECT_EQ(prompts.Texts(), Calls{std::string(texts::kBackupSaved) + *ops.backupPath});
    EXPECT_EQ(sheet.active, kPageWriteSettings);
    ops.writeResult = 1;

    // A backup that failed (it told why) writes nothing: page 8, as after a
    // failed write; a device it refused goes to page 5.
    ops.backupPath.reset();
    ops.calls.clear();
    Press(kPageWrite, kCmdWizNext);
    EXPECT_EQ(std::count(ops.calls.begin(), ops.calls.end(), "Write"), 0);
    EXPECT_EQ(sheet.active, kPageWriteSettings);
    EXPECT_TRUE(ops.identifyPending);
    ops.refuseOnJob = true;
    Press(kPageWrite, kCmdWizNext);
    EXPECT_EQ(sheet.active, kPageRefused);
}
