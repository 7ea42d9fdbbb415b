#include "gui/win32/CMirrexApp.h"

#include <commctrl.h>

#include "device/AreaFolder.h"
#include "gui/win32/BesideWindow.h"
#include "gui/win32/CWizard97PropertySheet.h"
#include "platform/ProgramPath.h"
#include "wizard/WizardStart.h"
#include "platform/Utf8Path.h"

namespace {

// The application's title: the program file's name without its extension.
std::wstring ApplicationTitle()
{
    return PathFromUtf8(ProgramFilePath()).stem().wstring();
}

}  // namespace

CMirrexApp::CMirrexApp(HINSTANCE instance)
    : m_instance(instance),
      m_keys(MakeUserKeyStore()),
      m_settings(*m_keys, m_portMap),
      m_clock(MakeSystemClock()),
      m_prompts(ApplicationTitle()),
      m_dialogs(m_prompts, instance),
      m_link(m_prompts, m_dialogs, ProgramAreaFolder()),
      m_operations(m_link, m_settings, *m_clock),
      m_files(m_prompts)
{
    m_dialogs.SetLink(&m_link);
    m_operations.SetBlockingCall(RunBesideWindow);
    // The identification and clock requests, which a silent device makes
    // last a second or more each.
    m_link.SetRequestWaiter(RunBesideWindow);
}

int CMirrexApp::InitInstance(const std::vector<std::string>& arguments)
{
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_WIN95_CLASSES;
    ::InitCommonControlsEx(&controls);

    const WizardStart start = StartFromArguments(arguments, m_operations, m_prompts, *m_keys);
    PageServices services{*m_keys, m_settings, m_prompts, m_files, m_instance, start.replicateFile,
                          [this] { m_operations.Stop(); }};
    CWizard97PropertySheet sheet(services, m_operations, start.page);
    sheet.DoModal();
    return 0;
}
