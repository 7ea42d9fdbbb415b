#include "wizard/StoredChoices.h"

#include "platform/KeyStore.h"
#include "platform/ProgramPath.h"
#include "resources/BackupTexts.h"
#include "wizard/WizardFlow.h"

std::string DefaultConfigPath()
{
#ifdef _WIN32
    return "C:\\1st_project.klx41";
#else
    return UserDocumentsDir() + "/1st_project.klx41";
#endif
}

uint32_t ReadStartChoice(KeyStore& keys)
{
    uint32_t choice = 1;
    if (keys.KeyExists(kMirrexKey)) {
        if (auto stored = keys.ReadDword(kMirrexKey, kStartChoiceValue))
            choice = *stored;
    } else if (keys.CreateKey(kMirrexKey)) {
        keys.WriteDword(kMirrexKey, kStartChoiceValue, 1);
    }
    return choice;
}

void StoreStartChoice(KeyStore& keys, uint32_t choice)
{
    keys.WriteDword(kMirrexKey, kStartChoiceValue, choice);
}

int StartRadioForChoice(uint32_t choice)
{
    switch (choice) {
    case 2: return kRadioReplicateFromFile;
    case 3: return kRadioReplicateFromDevice;
    default: return kRadioSaveToFile;
    }
}

std::string ReadStoredPath(KeyStore& keys, const std::string& valueName)
{
    if (!keys.KeyExists(kMirrexKey))
        return DefaultConfigPath();
    if (auto stored = keys.ReadString(kMirrexKey, valueName))
        return *stored;
    if (keys.CreateKey(kMirrexKey))
        keys.WriteString(kMirrexKey, valueName, DefaultConfigPath());
    return keys.ReadString(kMirrexKey, valueName).value_or(DefaultConfigPath());
}

void StorePath(KeyStore& keys, const std::string& valueName, const std::string& path)
{
    keys.WriteString(kMirrexKey, valueName, path);
}

namespace {

// A page 6 option: read, and created with its default when missing.
uint32_t ReadOption(KeyStore& keys, const std::string& valueName, uint32_t fallback)
{
    if (!keys.KeyExists(kMirrexKey))
        return fallback;
    if (auto stored = keys.ReadDword(kMirrexKey, valueName))
        return *stored;
    if (keys.CreateKey(kMirrexKey))
        keys.WriteDword(kMirrexKey, valueName, fallback);
    return keys.ReadDword(kMirrexKey, valueName).value_or(fallback);
}

}  // namespace

uint32_t ReadClockOption(KeyStore& keys)
{
    return ReadOption(keys, kClockOptionValue, 0);
}

void StoreClockOption(KeyStore& keys, bool on)
{
    keys.WriteDword(kMirrexKey, kClockOptionValue, on ? 1 : 0);
}

uint32_t ReadVerifyOption(KeyStore& keys)
{
    return ReadOption(keys, kVerifyOptionValue, 1);
}

void StoreVerifyOption(KeyStore& keys, bool on)
{
    keys.WriteDword(kMirrexKey, kVerifyOptionValue, on ? 1 : 0);
}

uint32_t ReadBackupOption(KeyStore& keys)
{
    return ReadOption(keys, kBackupOptionValue, 0);
}

void StoreBackupOption(KeyStore& keys, bool on)
{
    keys.WriteDword(kMirrexKey, kBackupOptionValue, on ? 1 : 0);
}

std::string WizardBackupFolder()
{
#ifdef _WIN32
    const char* separator = "\\";
#else
    const char* separator = "/";
#endif
    return UserDocumentsDir() + separator + "Mirrex" + separator + texts::kBackupFolderName;
}
