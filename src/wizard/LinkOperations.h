#pragma once
// The wizard flow's operations on the real device link, configuration
// files, settings store and clock.

#include <functional>

#include "wizard/WizardFlow.h"

class Clock;
class DeviceLink;
class SettingsStore;

class LinkOperations : public FlowOperations {
public:
    // Runs a call that may block for a while (opening a port: an adapter
    // that is slow to answer, the converter's calibration) and returns when
    // it has finished. A front end runs it beside its window, so the window
    // keeps painting; by default it runs right here.
    using BlockingCall = std::function<void(const std::function<void()>& call)>;

    LinkOperations(DeviceLink& link, SettingsStore& settings, Clock& clock);
    void SetBlockingCall(BlockingCall runner) { m_blockingCall = std::move(runner); }

    void Stop() override;
    int Start(const CommSettings& settings) override;
    std::string LastOpenDetail() const override;
    int ReadConfiguration() override;
    int WriteConfiguration(const uint8_t* image, std::size_t length, bool verify) override;
    std::optional<std::string> BackUpDevice() override;
    bool DeviceRefused() const override;
    void ClearDeviceRefused() override;
    int RefusalCode() const override;
    void SetIdentifyPending() override;

    bool SaveConfigurationFile(const std::string& path) override;
    bool CheckConfigurationFile(const std::string& path) override;
    bool LoadConfigurationImage(const std::string& path, std::vector<uint8_t>* image) override;
    ClockOutcome SetDeviceClock() override;
    std::string WriteRepeatsNote() const override;

    void ReloadSettings() override;
    CommSettings CurrentSettings() const override;
    void SetCurrentSettings(const CommSettings& settings) override;

private:
    DeviceLink& m_link;
    SettingsStore& m_settings;
    Clock& m_clock;
    BlockingCall m_blockingCall;
};
