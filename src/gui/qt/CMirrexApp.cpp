#include "gui/qt/CMirrexApp.h"

#include <QApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>

#include "device/AreaFolder.h"
#include "gui/qt/CWizard97PropertySheet.h"
#include "gui/qt/pages/WizardPage.h"
#include "platform/ProgramPath.h"

namespace {

// The application's title: the program file's name without its extension.
QString ApplicationTitle()
{
    return QFileInfo(QString::fromStdString(ProgramFilePath())).completeBaseName();
}

}  // namespace

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
}

int CMirrexApp::InitInstance()
{
    QApplication::setWindowIcon(ProgramIcon());
    // The toolkit's own words (the file dialogs) in the wizard's language,
    // where its translations are installed.
    if (m_toolkitTexts.load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&m_toolkitTexts);
    PageServices services{*m_keys, m_settings, m_prompts, m_files};
    CWizard97PropertySheet sheet(services, m_operations);
    m_prompts.SetOwner(&sheet);
    m_dialogs.SetOwner(&sheet);
    m_files.SetOwner(&sheet);
    sheet.exec();
    m_prompts.SetOwner(nullptr);
    m_dialogs.SetOwner(nullptr);
    m_files.SetOwner(nullptr);
    return 0;
}
