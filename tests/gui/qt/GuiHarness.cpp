#include "wizard/WizardStart.h"
#include "GuiHarness.h"

#include <chrono>
#include <cstdlib>
#include <thread>

#include <QApplication>
#include <QPushButton>
#include <QTest>

#include "gui/qt/BesideWindow.h"
#include "platform/ProgramPath.h"

namespace {

std::filesystem::path MakeTempFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "mirrex-gui-XXXXXX").string();
    const char* made = ::mkdtemp(pattern.data());
    return made ? std::filesystem::path(made) : std::filesystem::path();
}

// The device's restart waits (250 and 800 ms) are skipped; the protocol's
// short pauses are kept.
void SleepShortOnly(uint32_t milliseconds)
{
    if (milliseconds < 100)
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// The user's aliases (where the simulated device registers), but none of
// the machine's own serial ports: a test never opens real hardware.
PortMapRoots TestPortRoots(const std::filesystem::path& root)
{
    std::filesystem::create_directories(root / "no-hardware");
    const std::string none = (root / "no-hardware").string();
    return PortMapRoots{UserConfigDir() + "/Tolvar/Mirrex.ports", none, none, none};
}

}  // namespace

TempUserFolders::TempUserFolders() : m_root(MakeTempFolder())
{
    std::filesystem::create_directories(m_root / "config");
    std::filesystem::create_directories(m_root / "state");
    ::setenv("XDG_CONFIG_HOME", (m_root / "config").c_str(), 1);
    ::setenv("XDG_STATE_HOME", (m_root / "state").c_str(), 1);
}

TempUserFolders::~TempUserFolders()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_root, ignored);
}

GuiHarness::GuiHarness()
    : m_keys(MakeUserKeyStore()),
      m_portMap(TestPortRoots(m_folders.Root())),
      m_settings(*m_keys, m_portMap),
      m_dialogs(prompts),
      m_link(prompts, m_dialogs, m_folders.Root() / "state"),
      m_operations(m_link, m_settings, m_clock),
      m_services{*m_keys, m_settings, prompts, files}
{
    m_dialogs.SetLink(&m_link);
    m_link.SetSleeper(SleepShortOnly);
    m_operations.SetBlockingCall(RunBesideWindow);
    m_link.SetRequestWaiter(RunBesideWindow);
}

GuiHarness::~GuiHarness()
{
    m_sheet.reset();
    m_link.Stop();
}

CommSettings GuiHarness::SettingsForPort(uint32_t com)
{
    CommSettings s = DefaultCommSettings();
    s.com = com;
    return s;
}

void GuiHarness::StoreSettings(const CommSettings& settings)
{
    m_keys->CreateKey(kMirrexKey);
    m_settings.SetRecord(settings);
    m_settings.Save();
}

CWizard97PropertySheet& GuiHarness::Open(const std::vector<std::string>& arguments)
{
    const WizardStart start = StartFromArguments(arguments, m_operations, prompts, *m_keys);
    m_services.startFile = start.replicateFile;
    m_sheet = std::make_unique<CWizard97PropertySheet>(m_services, m_operations, start.page);
    m_dialogs.SetOwner(m_sheet.get());
    m_sheet->show();
    // Focus moves only within the active window.
    m_sheet->activateWindow();
    (void)QTest::qWaitForWindowActive(m_sheet.get());
    QApplication::processEvents();
    return *m_sheet;
}

bool GuiHarness::Press(int commandId)
{
    QPushButton* button = m_sheet->Button(commandId);
    if (!button || !button->isVisible() || !button->isEnabled())
        return false;
    QTest::mouseClick(button, Qt::LeftButton);
    QApplication::processEvents();
    return true;
}
