#include "wizard/WizardFlow.h"

#include "device/Prompts.h"
#include "device/WriteRefusal.h"
#include "resources/BackupTexts.h"
#include "resources/DeviceTexts.h"
#include "resources/PageTexts.h"
#include "wizard/StoredChoices.h"

namespace {

MessageBoxRequest SheetQuestion(int stringId)
{
    MessageBoxRequest request;
    request.text = texts::StringTableEntry(stringId);
    request.icon = MsgIcon::Question;
    request.buttons = MsgButtons::YesNo;
    request.defaultIsSecond = true;
    request.caption = MsgCaption::Sheet;
    return request;
}

}  // namespace

WizardFlow::WizardFlow(SheetAccess& sheet, FlowOperations& ops, Prompts& prompts, KeyStore& keys)
    : m_sheet(sheet), m_ops(ops), m_prompts(prompts), m_keys(keys)
{
}

WizardFlow::Outcome WizardFlow::OnCommand(int commandId)
{
    switch (commandId) {
    case kCmdWizBack: return OnBack();
    case kCmdWizNext: return OnNext();
    case kCmdWizFinish: return OnReturnToStart();
    case kCmdCancel: return OnLeave();
    default:
        m_prompts.Show({texts::StringTableEntry(135), MsgIcon::Error});
        return Outcome::PassOn;
    }
}

WizardFlow::Outcome WizardFlow::OnSysCommand(int commandId)
{
    if (commandId == kSysCmdClose && !AskLeave())
        return Outcome::Handled;
    return Outcome::PassOn;
}

WizardFlow::Outcome WizardFlow::OnBack()
{
    switch (m_sheet.ActivePage()) {
    case kPageRefused:
        m_sheet.SetActivePage(m_ops.RefusalCode() == 7 ? kPageWriteSettings : kPageReadSettings);
        return Outcome::Handled;
    case kPageWriteSettings:
        m_sheet.SaveListSettings(kPageWriteSettings);
        return Outcome::PassOn;
    default:
        return Outcome::PassOn;
    }
}

WizardFlow::Outcome WizardFlow::OnNext()
{
    switch (m_sheet.ActivePage()) {
    case kPageStart: return NextOnStartPage();
    case kPageReadSettings: return ReadDevice();
    case kPageSaveFile: return SaveFile();
    case kPageReplicateFile: return CheckFile();
    case kPageWrite: return WriteDevice();
    default: return Outcome::PassOn;
    }
}

WizardFlow::Outcome WizardFlow::OnReturnToStart()
{
    if (m_prompts.Show(SheetQuestion(133)) == MsgAnswer::Yes) {
        const int page = m_sheet.ActivePage();
        if (page == kPageReadSettings || page == kPageWriteSettings)
            m_sheet.SaveListSettings(page);
        m_sheet.SetActivePage(kPageStart);
    }
    // The page refuses to finish, so passing it on keeps the sheet open.
    return Outcome::PassOn;
}

WizardFlow::Outcome WizardFlow::OnLeave()
{
    return AskLeave() ? Outcome::PassOn : Outcome::Handled;
}

bool WizardFlow::AskLeave()
{
    return m_prompts.Show(SheetQuestion(134)) != MsgAnswer::No;
}

WizardFlow::Outcome WizardFlow::NextOnStartPage()
{
    switch (m_sheet.StartPageSelection()) {
    case kRadioSaveToFile:
        m_sheet.SetActivePage(kPageConnect);
        return Outcome::Handled;
    case kRadioReplicateFromFile:
        m_sheet.SetActivePage(kPageReplicateFile);
        return Outcome::Handled;
    case kRadioReplicateFromDevice:
        m_prompts.Show({texts::kReplicateFromDevice});
        return Outcome::Handled;
    default:
        return Outcome::PassOn;
    }
}

WizardFlow::Outcome WizardFlow::ReadDevice()
{
    m_sheet.SaveListSettings(kPageReadSettings);
    m_ops.SetCurrentSettings(m_sheet.ListSettings(kPageReadSettings));
    if (!OpenPort())
        return Outcome::Handled;
    if (m_ops.ReadConfiguration() == 1)
        return Outcome::PassOn;
    if (m_ops.DeviceRefused()) {
        m_ops.ClearDeviceRefused();
        m_sheet.SetActivePage(m_ops.RefusalCode());
    } else {
        m_ops.SetIdentifyPending();
    }
    return Outcome::Handled;
}

WizardFlow::Outcome WizardFlow::SaveFile()
{
    if (m_ops.SaveConfigurationFile(m_sheet.SaveFilePath()))
        m_sheet.SetActivePage(kPageStart);
    return Outcome::Handled;
}

WizardFlow::Outcome WizardFlow::CheckFile()
{
    return m_ops.CheckConfigurationFile(m_sheet.ReplicateFilePath()) ? Outcome::PassOn
                                                                      : Outcome::Handled;
}

WizardFlow::Outcome WizardFlow::WriteDevice()
{
    const std::string path = m_sheet.ReplicateFilePath();
    int page = kPageReplicateFile;
    if (m_ops.CheckConfigurationFile(path)) {
        std::vector<uint8_t> image;
        // A file that passed the check but cannot be loaded after all is
        // never written as an empty or partial image.
        if (m_ops.LoadConfigurationImage(path, &image))
            page = WriteImage(image);
    }
    m_sheet.SetActivePage(page);
    return Outcome::Handled;
}

int WizardFlow::WriteImage(const std::vector<uint8_t>& image)
{
    // A file the write would refuse never opens the port: its message, and
    // back to the file page for another file.
    if (std::optional<WriteRefusal> refusal = RefuseImage(image.data(), image.size())) {
        m_prompts.Show({refusal->text, refusal->icon});
        return kPageReplicateFile;
    }
    // The write uses the persisted settings, not what page 8's list shows.
    m_ops.ReloadSettings();
    m_sheet.SetListSettings(kPageWriteSettings, m_ops.CurrentSettings());
    m_ops.SetCurrentSettings(m_sheet.ListSettings(kPageWriteSettings));
    if (!OpenPort())
        return kPageWriteSettings;

    // Nothing is written into a device whose configuration could not be kept.
    std::optional<std::string> backup;
    if (ReadBackupOption(m_keys) == 1 && !(backup = m_ops.BackUpDevice()))
        return PageAfterFailedWrite();
    if (m_ops.WriteConfiguration(image.data(), image.size(), ReadVerifyOption(m_keys) == 1) != 1) {
        // Whatever the failed write left in the device, what it held is kept.
        if (backup)
            m_prompts.Show({texts::kBackupSaved + *backup});
        return PageAfterFailedWrite();
    }

    if (ClockOptionSet()) {
        switch (m_ops.SetDeviceClock()) {
        case ClockOutcome::RetryDeclined: return kPageWrite;
        case ClockOutcome::ReadBackFailed: return kPageWriteSettings;
        case ClockOutcome::Done: break;
        }
    }
    std::string text = texts::kWriteDoneQuestion;
    // A noisy line shows itself here, once per device, not only as a bar
    // that started again.
    if (const std::string note = m_ops.WriteRepeatsNote(); !note.empty()) text = note + "\n\n" + text;
    if (backup) text = texts::kBackupSaved + *backup + "\n\n" + text;
    MessageBoxRequest question{text, MsgIcon::Information, MsgButtons::YesNo};
    return m_prompts.Show(question) == MsgAnswer::Yes ? kPageWrite : kPageStart;
}

int WizardFlow::PageAfterFailedWrite()
{
    if (m_ops.DeviceRefused()) {
        m_ops.ClearDeviceRefused();
        return kPageRefused;
    }
    m_ops.SetIdentifyPending();
    return kPageWriteSettings;
}

bool WizardFlow::OpenPort()
{
    m_ops.Stop();
    const int result = m_ops.Start(m_ops.CurrentSettings());
    if (result == 0)
        return true;
    std::string text = texts::PortOpenText(result);
    // The port's own account (which device, and why) tells a Linux user
    // what to fix: a missing adapter, a busy port or missing permissions.
    const std::string detail = m_ops.LastOpenDetail();
    if (!detail.empty())
        text += "\n\n" + detail;
    m_prompts.Show({text});
    return false;
}

bool WizardFlow::ClockOptionSet()
{
    return ReadClockOption(m_keys) == 1;
}
