#include "wizard/ChoicePageLogic.h"

#include "device/Prompts.h"
#include "platform/FileChecks.h"
#include "resources/PageTexts.h"
#include "wizard/StoredChoices.h"
#include "wizard/WizardFlow.h"

const FileFilter kConfigFileFilters[2] = {
    {texts::kFileFilterName, "*.klx41"},
    {texts::kAllFilesFilterName, "*.*"},
};

int StartPageLogic::OnInitDialog()
{
    return StartRadioForChoice(ReadStartChoice(m_keys));
}

void StartPageLogic::OnCancel(int selectedButton)
{
    const bool known = selectedButton >= kRadioSaveToFile && selectedButton <= kRadioReplicateFromDevice;
    StoreStartChoice(m_keys, known ? static_cast<uint32_t>(selectedButton - kRadioSaveToFile + 1) : 1);
}

SaveFilePageLogic::SaveFilePageLogic(KeyStore& keys, Prompts& prompts, FileDialogs& files)
    : m_keys(keys), m_prompts(prompts), m_files(files)
{
}

std::string SaveFilePageLogic::OnInitDialog()
{
    return ReadStoredPath(m_keys, kSavePathValue);
}

std::string SaveFilePageLogic::OnBrowse(const std::string& editText)
{
    const std::optional<std::string> chosen = m_files.ChooseSaveFile(editText);
    if (!chosen)
        return editText;
    if (IsReadOnlyFile(*chosen)) {
        m_prompts.Show({*chosen + texts::kReadOnlyFile, MsgIcon::Exclamation});
        return editText;
    }
    StorePath(m_keys, kSavePathValue, *chosen);
    return *chosen;
}

ReplicateFilePageLogic::Initial ReplicateFilePageLogic::OnInitDialog()
{
    Initial initial;
    initial.path = m_startFile ? *m_startFile : ReadStoredPath(m_keys, kReplicatePathValue);
    initial.setClock = ReadClockOption(m_keys) == 1;
    initial.verify = ReadVerifyOption(m_keys) != 0;
    return initial;
}

std::string ReplicateFilePageLogic::OnBrowse(const std::string& editText)
{
    const std::string initial = editText.empty() ? DefaultConfigPath() : editText;
    const std::optional<std::string> chosen = m_files.ChooseOpenFile(initial);
    if (!chosen)
        return initial;
    StorePath(m_keys, kReplicatePathValue, *chosen);
    return *chosen;
}

void ReplicateFilePageLogic::OnTimeSyncClicked(bool checked)
{
    StoreClockOption(m_keys, checked);
}

void ReplicateFilePageLogic::OnVerifyClicked(bool checked)
{
    StoreVerifyOption(m_keys, checked);
}

bool WritePageLogic::OnInitDialog()
{
    return ReadBackupOption(m_keys) == 1;
}

void WritePageLogic::OnBackupClicked(bool checked)
{
    StoreBackupOption(m_keys, checked);
}
