#include "wizard/LinkOperations.h"

#include "configfile/ConfigurationFile.h"
#include "device/DeviceBackup.h"
#include "device/DeviceLink.h"
#include "platform/PortMap.h"
#include "platform/Utf8Path.h"
#include "settings/SettingsStore.h"
#include "wizard/StoredChoices.h"
#include "wizard/RepeatsNote.h"

LinkOperations::LinkOperations(DeviceLink& link, SettingsStore& settings, Clock& clock)
    : m_link(link), m_settings(settings), m_clock(clock)
{
}

void LinkOperations::Stop() { m_link.Stop(); }
int LinkOperations::Start(const CommSettings& settings)
{
    if (!m_blockingCall)
        return m_link.Start(settings);
    int result = 0;
    m_blockingCall([&] { result = m_link.Start(settings); });
    return result;
}
std::string LinkOperations::LastOpenDetail() const { return m_link.LastOpenDetail(); }
int LinkOperations::ReadConfiguration() { return m_link.ReadConfiguration(); }

int LinkOperations::WriteConfiguration(const uint8_t* image, std::size_t length, bool verify)
{
    return m_link.WriteConfiguration(image, length, verify);
}

std::optional<std::string> LinkOperations::BackUpDevice()
{
    // The folder is ours: made when it is missing, as the first backup needs it.
    const std::filesystem::path folder = PathFromUtf8(WizardBackupFolder());
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    ConfigSnapshot read;
    const std::optional<std::filesystem::path> saved =
        ::BackUpDevice(m_link, folder, PortMap::NameOfNumber(m_link.settings.com), m_clock, &read);
    if (!saved)
        return std::nullopt;
    return Utf8FromPath(*saved);
}

bool LinkOperations::DeviceRefused() const { return m_link.deviceRefused; }
void LinkOperations::ClearDeviceRefused() { m_link.deviceRefused = false; }
int LinkOperations::RefusalCode() const { return m_link.refusalCode; }
void LinkOperations::SetIdentifyPending() { m_link.identifyPending = true; }

bool LinkOperations::SaveConfigurationFile(const std::string& path)
{
    return ::SaveConfigurationFile(m_link, PathFromUtf8(path));
}

bool LinkOperations::CheckConfigurationFile(const std::string& path)
{
    return ::CheckConfigurationFile(m_link, PathFromUtf8(path));
}

bool LinkOperations::LoadConfigurationImage(const std::string& path, std::vector<uint8_t>* image)
{
    return ::LoadConfigurationImage(m_link, PathFromUtf8(path), image);
}

std::string LinkOperations::WriteRepeatsNote() const { return RepeatsNote(m_link.lastWrite); }

ClockOutcome LinkOperations::SetDeviceClock()
{
    return ::SetDeviceClock(m_link, m_link.GetPrompts(), m_clock);
}

void LinkOperations::ReloadSettings() { m_settings.Initialize(); }
CommSettings LinkOperations::CurrentSettings() const { return m_settings.GetRecord(); }
void LinkOperations::SetCurrentSettings(const CommSettings& settings) { m_settings.SetRecord(settings); }
