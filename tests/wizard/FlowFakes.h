#pragma once
// Stand-ins for the sheet, the device operations, the user and the key
// store, so the wizard's flow runs without widgets or devices.

#include <array>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "configfile/ConfigHeader.h"
#include "device/Prompts.h"
#include "FakeSheet.h"
#include "MemoryKeyStore.h"
#include "wizard/WizardFlow.h"

// Answers questions from a script (No when the script has run out) and
// records every box.
class ScriptedPrompts : public Prompts {
public:
    MsgAnswer Show(const MessageBoxRequest& request) override
    {
        shown.push_back(request);
        if (request.buttons == MsgButtons::Ok)
            return MsgAnswer::Ok;
        if (answers.empty())
            return MsgAnswer::No;
        MsgAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> result;
        for (const auto& r : shown)
            result.push_back(r.text);
        return result;
    }

    std::deque<MsgAnswer> answers;
    std::vector<MessageBoxRequest> shown;
};

// A configuration image of recognisable bytes with its header at the end.
inline std::vector<uint8_t> ImageWithSizes(std::array<uint32_t, 4> sizes)
{
    ConfigHeader header{};
    header.magic = kConfigMagic;
    header.size0 = sizes[0];
    header.size16 = sizes[1];
    header.size40 = sizes[2];
    header.size64 = sizes[3];
    std::vector<uint8_t> image(std::size_t{sizes[0]} + sizes[1] + sizes[2] + sizes[3]);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<uint8_t>(i * 7);
    const auto* raw = reinterpret_cast<const uint8_t*>(&header);
    image.insert(image.end(), raw, raw + sizeof header);
    return image;
}

// Records the calls in order ("Stop", "Start", "Read" ...) and answers as
// told.
class FakeOperations : public FlowOperations {
public:
    void Stop() override { calls.push_back("Stop"); }
    int Start(const CommSettings& settings) override
    {
        calls.push_back("Start");
        startedWith = settings;
        return startResult;
    }
    std::string LastOpenDetail() const override { return openDetail; }
    int ReadConfiguration() override
    {
        calls.push_back("Read");
        if (refuseOnJob) {
            deviceRefused = true;
            refusalCode = 4;
        }
        return readResult;
    }
    int WriteConfiguration(const uint8_t* image, std::size_t length, bool verify) override
    {
        calls.push_back(verify ? "Write" : "Write unverified");
        written.assign(image, image + length);
        if (refuseOnJob) {
            deviceRefused = true;
            refusalCode = 7;
        }
        return writeResult;
    }
    std::optional<std::string> BackUpDevice() override
    {
        calls.push_back("Backup");
        if (refuseOnJob) {
            deviceRefused = true;
            refusalCode = 7;
        }
        return backupPath;
    }
    bool DeviceRefused() const override { return deviceRefused; }
    void ClearDeviceRefused() override { deviceRefused = false; }
    int RefusalCode() const override { return refusalCode; }
    void SetIdentifyPending() override { identifyPending = true; }

    bool SaveConfigurationFile(const std::string& path) override
    {
        calls.push_back("Save " + path);
        return saveResult;
    }
    bool CheckConfigurationFile(const std::string& path) override
    {
        calls.push_back("Check " + path);
        return checkResult;
    }
    bool LoadConfigurationImage(const std::string& path, std::vector<uint8_t>* image) override
    {
        calls.push_back("Load " + path);
        if (loadResult)
            *image = fileImage;
        return loadResult;
    }
    ClockOutcome SetDeviceClock() override
    {
        calls.push_back("Clock");
        return clockOutcome;
    }
    void ReloadSettings() override
    {
        calls.push_back("Reload");
        current = persisted;
    }
    CommSettings CurrentSettings() const override { return current; }
    void SetCurrentSettings(const CommSettings& settings) override { current = settings; }

    std::vector<std::string> calls;
    int startResult = 0;
    std::string openDetail;
    int readResult = 1;
    int writeResult = 1;
    std::optional<std::string> backupPath = "/backups/KLX41_1.0_COM3_2026-12-09_10-00-00.klx41";
    bool refuseOnJob = false;
    bool deviceRefused = false;
    int refusalCode = 0;
    bool identifyPending = false;
    bool saveResult = true;
    bool checkResult = true;
    bool loadResult = true;
    std::vector<uint8_t> fileImage = ImageWithSizes({100, 50, 40, 22});
    std::vector<uint8_t> written;
    ClockOutcome clockOutcome = ClockOutcome::Done;
    CommSettings startedWith{};
    CommSettings current{};
    CommSettings persisted{};
};
