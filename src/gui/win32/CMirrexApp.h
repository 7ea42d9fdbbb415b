#pragma once
// The application: the single key store, port map, settings store and
// device link of the run, and the wizard sheet run modally as the program's
// only window.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "device/DeviceLink.h"
#include "gui/win32/CWaitNorm.h"
#include "gui/win32/Win32FileDialogs.h"
#include "gui/win32/Win32Prompts.h"
#include "platform/Clock.h"
#include "platform/KeyStore.h"
#include "platform/PortMap.h"
#include "settings/SettingsStore.h"
#include "wizard/LinkOperations.h"

class CMirrexApp {
public:
    explicit CMirrexApp(HINSTANCE instance);
    // Runs the wizard until the user leaves it; the program then ends.
    // arguments: the program's after its name.
    int InitInstance(const std::vector<std::string>& arguments);

private:
    HINSTANCE m_instance;
    std::unique_ptr<KeyStore> m_keys;
    PortMap m_portMap;
    SettingsStore m_settings;
    std::unique_ptr<Clock> m_clock;
    Win32Prompts m_prompts;
    Win32ProgressDialogs m_dialogs;
    DeviceLink m_link;
    LinkOperations m_operations;
    Win32FileDialogs m_files;
};
