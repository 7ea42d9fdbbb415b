#pragma once
// The application: the single key store, port map, settings store and
// device link of the run, and the wizard sheet run modally as the program's
// only window.

#include <memory>
#include <string>
#include <vector>

#include <QTranslator>

#include "device/DeviceLink.h"
#include "gui/qt/CWaitNorm.h"
#include "gui/qt/QtPrompts.h"
#include "gui/qt/pages/FileChooser.h"
#include "platform/Clock.h"
#include "platform/KeyStore.h"
#include "platform/PortMap.h"
#include "settings/SettingsStore.h"
#include "wizard/LinkOperations.h"

// The whole interface is Russian: the toolkit's own words (file dialogs,
// their questions) too, from Qt's translations in folder, wherever the
// program runs. Without them the program still runs, its own texts Russian
// and the toolkit's English. True when they were found.
bool InstallToolkitTranslations(QTranslator& translator, const QString& folder);
QString ToolkitTranslationsFolder();

class CMirrexApp {
public:
    CMirrexApp();
    // Runs the wizard until the user leaves it; the program then ends.
    // arguments: the program's after its name and Qt's own options.
    int InitInstance(const std::vector<std::string>& arguments);

private:
    std::unique_ptr<KeyStore> m_keys;
    PortMap m_portMap;
    SettingsStore m_settings;
    std::unique_ptr<Clock> m_clock;
    QtPrompts m_prompts;
    QtProgressDialogs m_dialogs;
    DeviceLink m_link;
    LinkOperations m_operations;
    QtFileChooser m_files;
    QTranslator m_toolkitTexts;
};
