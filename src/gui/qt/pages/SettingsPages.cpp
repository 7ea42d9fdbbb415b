#include "gui/qt/pages/SettingsPages.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>

#include "gui/qt/CSearchDialog.h"
#include "gui/qt/pages/CMyList.h"
#include "wizard/DialogTemplates.h"

SettingsPage::SettingsPage(PageServices& services, int index, int listId)
    : WizardPage(services, index),
      m_list(ControlById<CMyList>(listId)),
      m_searchButton(ControlById<QPushButton>(kIdSearchButton)),
      m_searchNote(ControlById<QLabel>(kIdSearchNote)),
      m_logic(services.settings, m_list->Logic())
{
    connect(m_searchButton, &QPushButton::clicked, this, [this] { OnFindDevice(); });
}

void SettingsPage::OnSetActive()
{
    if (m_logic.OnSetActive()) m_searchNote->clear();
}

void SettingsPage::OnFindDevice()
{
    const std::string note = FindDeviceForPage(m_logic, Services().prompts, Services().releasePort,
                                               [this](const SearchRequest& request) {
                                                   CSearchDialog dialog(request, window());
                                                   return dialog.Run();
                                               });
    m_searchNote->setText(QString::fromStdString(note));
}

void SettingsPage::OnInitDialog()
{
    // The client width, known from the control's rectangle even before the
    // page has been laid out on the screen.
    const ListColumns widths = ListColumnWidths(m_list->width() - 2 * m_list->frameWidth());
    m_list->header()->resizeSection(0, widths.parameterWidth);
    m_list->header()->resizeSection(1, widths.valueWidth);
    m_list->header()->setStretchLastSection(false);
    m_logic.OnInitDialog();
}

CWizard97PropertyPage3::CWizard97PropertyPage3(PageServices& services)
    : SettingsPage(services, kPageReadSettings, kIdReadSettingsList)
{
}

CWizard97PropertyPage8::CWizard97PropertyPage8(PageServices& services)
    : SettingsPage(services, kPageWriteSettings, kIdWriteSettingsList)
{
}
