#pragma once
// Stand-ins for the sheet, the device operations, the user and the key
// store, so the wizard's flow runs without widgets or devices.

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "device/Prompts.h"
#include "platform/KeyStore.h"
#include "wizard/WizardFlow.h"

class MemoryKeyStore : public KeyStore {
public:
    bool KeyExists(const std::string& key) override { return m_keys.count(key) != 0; }
    bool CreateKey(const std::string& key) override
    {
        m_keys[key];
        return true;
    }
    std::optional<uint32_t> ReadDword(const std::string& key, const std::string& name) override
    {
        auto k = m_keys.find(key);
        if (k == m_keys.end())
            return std::nullopt;
        auto v = k->second.dwords.find(name);
        if (v == k->second.dwords.end())
            return std::nullopt;
        return v->second;
    }
    std::optional<std::string> ReadString(const std::string& key, const std::string& name) override
    {
        auto k = m_keys.find(key);
        if (k == m_keys.end())
            return std::nullopt;
        auto v = k->second.strings.find(name);
        if (v == k->second.strings.end())
            return std::nullopt;
        return v->second;
    }
    bool WriteDword(const std::string& key, const std::string& name, uint32_t value) override
    {
        auto k = m_keys.find(key);
        if (k == m_keys.end())
            return false;
        k->second.dwords[name] = value;
        return true;
    }
    bool WriteString(const std::string& key, const std::string& name, const std::string& value) override
    {
        auto k = m_keys.find(key);
        if (k == m_keys.end())
            return false;
        k->second.strings[name] = value;
        return true;
    }

private:
    struct Key {
        std::map<std::string, uint32_t> dwords;
        std::map<std::string, std::string> strings;
    };
    std::map<std::string, Key> m_keys;
};

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

class FakeSheet : public SheetAccess {
public:
    int ActivePage() const override { return active; }
    void SetActivePage(int index) override
    {
        active = index;
        switches.push_back(index);
    }
    int StartPageSelection() const override { return selection; }
    std::string SaveFilePath() const override { return savePath; }
    std::string ReplicateFilePath() const override { return replicatePath; }
    void SaveListSettings(int page) override
    {
        listSaves.push_back(page);
        listSettings[page] = listContents[page];
    }
    CommSettings ListSettings(int page) const override { return listSettings.at(page); }
    void SetListSettings(int page, const CommSettings& settings) override
    {
        listSettings[page] = settings;
    }

    int active = kPageStart;
    std::vector<int> switches;
    int selection = 0;
    std::string savePath;
    std::string replicatePath;
    std::vector<int> listSaves;
    // What the lists show (stored into listSettings by SaveListSettings) and
    // the pages' m_settings.
    std::map<int, CommSettings> listContents{{kPageReadSettings, {}}, {kPageWriteSettings, {}}};
    std::map<int, CommSettings> listSettings{{kPageReadSettings, {}}, {kPageWriteSettings, {}}};
};

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
    int WriteConfiguration(const uint8_t* image, std::size_t length) override
    {
        calls.push_back("Write");
        written.assign(image, image + length);
        if (refuseOnJob) {
            deviceRefused = true;
            refusalCode = 7;
        }
        return writeResult;
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
    bool refuseOnJob = false;
    bool deviceRefused = false;
    int refusalCode = 0;
    bool identifyPending = false;
    bool saveResult = true;
    bool checkResult = true;
    bool loadResult = true;
    std::vector<uint8_t> fileImage{1, 2, 3, 4};
    std::vector<uint8_t> written;
    ClockOutcome clockOutcome = ClockOutcome::Done;
    CommSettings startedWith{};
    CommSettings current{};
    CommSettings persisted{};
};
