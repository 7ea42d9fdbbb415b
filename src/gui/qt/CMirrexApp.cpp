#include "gui/qt/CMirrexApp.h"

#include <QApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>

#include <cstdlib>

#include "device/AreaFolder.h"
#include "gui/qt/BesideWindow.h"
#include "gui/qt/CWizard97PropertySheet.h"
#include "gui/qt/pages/WizardPage.h"
#include "platform/OpenLines.h"
#include "platform/ProgramEnd.h"
#include "platform/ProgramPath.h"
#include "wizard/WizardStart.h"

namespace {

// The application's title: the program file's name without its extension.
QString ApplicationTitle()
{
    return QFileInfo(QString::fromStdString(ProgramFilePath())).completeBaseName();
}

}  // namespace

bool InstallToolkitTranslations(QTranslator& translator, const QString& folder)
{
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    QLocale::setDefault(russian);
    if (!translator.load(russian, QStringLiteral("qtbase"), QStringLiteral("_"), folder))
        return false;
    QApplication::installTranslator(&translator);
    return true;
}

QString ToolkitTranslationsFolder()
{
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

CMirrexApp::CMirrexApp()
    : m_keys(MakeUserKeyStore()),
      m_settings(*m_keys, m_portMap),
      m_clock(MakeSystemClock()),
      m_prompts(ApplicationTitle()),
      m_dialogs(m_prompts),
      m_link(m_prompts, m_dialogs, ProgramAreaFolder()),
      m_operations(m_link, m_settings, *m_clock)
{
    m_dialogs.SetLink(&m_link);
    m_operations.SetBlockingCall(RunBesideWindow);
    // The identification and clock requests, which a silent device makes
    // last a second or more each.
    m_link.SetRequestWaiter(RunBesideWindow);
}

int CMirrexApp::InitInstance(const std::vector<std::string>& arguments)
{
    QApplication::setWindowIcon(ProgramIcon());
    // Told to end (SIGTERM, SIGHUP: the session closing, a service manager)
    // the wizard asks nothing: the transfer in progress is cancelled after
    // its block, the worker stopped and the port closed, which puts it back
    // as it was; then the program ends. A worker that does not stop in
    // time is left to the program's end (ProgramEnd.h).
    programend::Install(1);
    QTimer endWatch;
    QObject::connect(&endWatch, &QTimer::timeout, [this] {
        if (!programend::Requested())
            return;
        m_link.CancelAreaRead();
        m_link.CancelAreaWrite();
        m_link.Stop();
        // A device search holds ports of its own, on threads of its own.
        openlines::PutAll();
        std::_Exit(0);
    });
    endWatch.start(100);
    InstallToolkitTranslations(m_toolkitTexts, ToolkitTranslationsFolder());
    const WizardStart start = StartFromArguments(arguments, m_operations, m_prompts, *m_keys);
    PageServices services{*m_keys, m_settings, m_prompts, m_files, start.replicateFile,
                          [this] { m_operations.Stop(); }};
    CWizard97PropertySheet sheet(services, m_operations, start.page);
    m_prompts.SetOwner(&sheet);
    m_dialogs.SetOwner(&sheet);
    m_files.SetOwner(&sheet);
    sheet.exec();
    m_prompts.SetOwner(nullptr);
    m_dialogs.SetOwner(nullptr);
    m_files.SetOwner(nullptr);
    return 0;
}
