#pragma once
// Which page follows which and what every wizard button does: the command
// dispatch of the sheet, the read and write sequences and the port opening.
// It knows the pages by index and reaches the sheet, the device and the
// user only through the interfaces below, so it runs without any widget.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "settings/CommSettings.h"
#include "wizard/DeviceClock.h"

class KeyStore;
class Prompts;

// Command ids the sheet hands to the flow (those of the wizard buttons).
constexpr int kCmdWizBack = 0x3023;
constexpr int kCmdWizNext = 0x3024;
constexpr int kCmdWizFinish = 0x3025;
constexpr int kCmdCancel = 2;
constexpr int kSysCmdClose = 0xF060;

// Page indices (page number minus one).
enum PageIndex : int {
    kPageStart = 0,
    kPageConnect = 1,
    kPageReadSettings = 2,
    kPageSaveFile = 3,
    kPageRefused = 4,
    kPageReplicateFile = 5,
    kPageWrite = 6,
    kPageWriteSettings = 7,
};

// Radio button ids of the start page; 0 when none is selected.
constexpr int kRadioSaveToFile = 1000;
constexpr int kRadioReplicateFromFile = 1001;
constexpr int kRadioReplicateFromDevice = 1002;

// What the flow needs from the sheet and its pages.
class SheetAccess {
public:
    virtual ~SheetAccess() = default;
    virtual int ActivePage() const = 0;
    virtual void SetActivePage(int index) = 0;
    virtual int StartPageSelection() const = 0;
    virtual std::string SaveFilePath() const = 0;       // page 4's edit 1003
    virtual std::string ReplicateFilePath() const = 0;  // page 6's edit 1006
    // Pages 3 and 8 (kPageReadSettings, kPageWriteSettings).
    virtual void SaveListSettings(int page) = 0;
    virtual CommSettings ListSettings(int page) const = 0;
    virtual void SetListSettings(int page, const CommSettings& settings) = 0;
};

// The device, the configuration file and the settings store, as the flow
// uses them. Each operation shows its own messages.
class FlowOperations {
public:
    virtual ~FlowOperations() = default;
    virtual void Stop() = 0;
    virtual int Start(const CommSettings& settings) = 0;
    // Which device path failed to open and why; empty when unknown.
    virtual std::string LastOpenDetail() const = 0;
    virtual int ReadConfiguration() = 0;
    // verify: read every area back after writing it (the stored option).
    virtual int WriteConfiguration(const uint8_t* image, std::size_t length, bool verify) = 0;
    // Reads the device and keeps what it holds in a backup file of the
    // wizard's backup folder: the file's path, or nullopt (told, or the
    // device refused) when nothing may be written.
    virtual std::optional<std::string> BackUpDevice() = 0;
    virtual bool DeviceRefused() const = 0;
    virtual void ClearDeviceRefused() = 0;
    virtual int RefusalCode() const = 0;
    virtual void SetIdentifyPending() = 0;

    virtual bool SaveConfigurationFile(const std::string& path) = 0;
    virtual bool CheckConfigurationFile(const std::string& path) = 0;
    virtual bool LoadConfigurationImage(const std::string& path, std::vector<uint8_t>* image) = 0;
    virtual ClockOutcome SetDeviceClock() = 0;
    // After a write that is done: which areas had to be written again, as
    // a line for the user (RepeatsNote); empty when none.
    virtual std::string WriteRepeatsNote() const { return {}; }

    virtual void ReloadSettings() = 0;  // SettingsStore::Initialize
    virtual CommSettings CurrentSettings() const = 0;
    virtual void SetCurrentSettings(const CommSettings& settings) = 0;
};

class WizardFlow {
public:
    enum class Outcome { Handled, PassOn };

    WizardFlow(SheetAccess& sheet, FlowOperations& ops, Prompts& prompts, KeyStore& keys);

    // A command of the sheet's buttons (notification code 0).
    Outcome OnCommand(int commandId);
    // A system command of the window (only the close request is looked at).
    Outcome OnSysCommand(int commandId);

private:
    Outcome OnBack();
    Outcome OnNext();
    Outcome OnReturnToStart();
    Outcome OnLeave();

    Outcome NextOnStartPage();
    Outcome ReadDevice();
    Outcome SaveFile();
    Outcome CheckFile();
    Outcome WriteDevice();
    // The part of WriteDevice that runs while the image exists; returns the
    // page to show.
    int WriteImage(const std::vector<uint8_t>& image);
    int PageAfterFailedWrite();

    bool OpenPort();
    bool ClockOptionSet();
    bool AskLeave();

    SheetAccess& m_sheet;
    FlowOperations& m_ops;
    Prompts& m_prompts;
    KeyStore& m_keys;
};
