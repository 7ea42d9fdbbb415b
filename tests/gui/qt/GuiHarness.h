#pragma once
// The real wizard sheet, pages, settings store, key store, port map, device
// link and progress dialogs, in temporary per-user folders, with scripted
// answers for every message box and file dialog and a fixed clock.

#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "FlowFakes.h"
#include "device/DeviceLink.h"
#include "gui/qt/CWaitNorm.h"
#include "gui/qt/CWizard97PropertySheet.h"
#include "platform/Clock.h"
#include "platform/PortMap.h"
#include "settings/SettingsStore.h"
#include "wizard/ChoicePageLogic.h"
#include "wizard/LinkOperations.h"

class QPushButton;

// Points XDG_CONFIG_HOME and XDG_STATE_HOME at fresh folders for its life.
class TempUserFolders {
public:
    TempUserFolders();
    ~TempUserFolders();
    const std::filesystem::path& Root() const { return m_root; }

private:
    std::filesystem::path m_root;
};

class ScriptedFiles : public FileDialogs {
public:
    std::optional<std::string> ChooseSaveFile(const std::string& initial) override
    {
        initials.push_back(initial);
        return Next();
    }
    std::optional<std::string> ChooseOpenFile(const std::string& initial) override
    {
        initials.push_back(initial);
        return Next();
    }
    std::deque<std::optional<std::string>> answers;
    std::vector<std::string> initials;

private:
    std::optional<std::string> Next()
    {
        if (answers.empty())
            return std::nullopt;
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

class FixedClock : public Clock {
public:
    LocalTime Now() override { return {2009, 12, 31, 23, 59, 58}; }
};

class GuiHarness {
public:
    GuiHarness();
    ~GuiHarness();

    // Settings as they are stored before the sheet starts.
    void StoreSettings(const CommSettings& settings);
    static CommSettings SettingsForPort(uint32_t com);

    // Builds and shows the sheet: on page 1, or where the program's
    // arguments make it start, as the program does.
    CWizard97PropertySheet& Open(const std::vector<std::string>& arguments = {});
    CWizard97PropertySheet& Sheet() { return *m_sheet; }
    // Clicks a button of the sheet; false if it is disabled or hidden.
    bool Press(int commandId);
    template <class Page>
    Page& PageAt(int index)
    {
        return *static_cast<Page*>(m_sheet->Page(index));
    }

    KeyStore& Keys() { return *m_keys; }
    SettingsStore& Store() { return m_settings; }
    PortMap& Ports() { return m_portMap; }
    DeviceLink& Link() { return m_link; }
    const std::filesystem::path& Folder() const { return m_folders.Root(); }

    ScriptedPrompts prompts;
    ScriptedFiles files;

private:
    TempUserFolders m_folders;
    std::unique_ptr<KeyStore> m_keys;
    PortMap m_portMap;
    SettingsStore m_settings;
    FixedClock m_clock;
    QtProgressDialogs m_dialogs;
    DeviceLink m_link;
    LinkOperations m_operations;
    PageServices m_services;
    std::unique_ptr<CWizard97PropertySheet> m_sheet;
};
