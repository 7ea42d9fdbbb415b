#include "pages/SettingsPages.h"

#include <QHeaderView>

#include "pages/CMyList.h"
#include "resources/PageTexts.h"
#include "settings/SettingsStore.h"
#include "wizard/SettingsListTexts.h"

SettingsPage::SettingsPage(PageServices& services, int listId, int headerTitleId, int headerSubtitleId,
                           int buttons)
    : WizardPage(services, headerTitleId, headerSubtitleId, buttons)
{
    AddSidePicture();
    m_list = Place(new CMyList, listId, 110, 1, 169, 138);
    m_list->SetModeRepaint([this] { ApplyRowColours(); });
    m_list->SetPortSource([this] {
        SettingsStore& store = Services().settings;
        std::vector<PortChoice> ports;
        for (const std::string& name : store.m_ports)
            ports.push_back({name, store.PortDescription(name)});
        return ports;
    });
}

void SettingsPage::OnInitDialog()
{
    // The client width, known from the control's rectangle even before the
    // page has been laid out on the screen.
    const int width = m_list->width() - 2 * m_list->frameWidth();
    m_list->setColumnCount(2);
    m_list->setHeaderLabels({QString::fromUtf8(texts::kColumnParameter), QString::fromUtf8(texts::kColumnValue)});
    m_list->header()->resizeSection(0, 3 * width / 5);
    m_list->header()->resizeSection(1, 2 * width / 5);
    m_list->header()->setStretchLastSection(false);

    SettingsStore& store = Services().settings;
    store.Initialize();
    m_settings = store.GetRecord();
    FillList();
}

void SettingsPage::FillList()
{
    const SettingsListValues values = SettingsToListValues(m_settings);
    for (int row = 0; row < kSettingsRows; ++row) {
        auto* item = new QTreeWidgetItem(m_list);
        item->setText(0, QString::fromUtf8(texts::kRowNames[row]));
        item->setText(1, QString::fromStdString(values[row]));
        // Both columns are centred; a report list keeps its first column
        // left-aligned whatever it is asked.
        item->setTextAlignment(0, Qt::AlignLeft | Qt::AlignVCenter);
        item->setTextAlignment(1, Qt::AlignCenter);
    }
    m_list->m_nMode = m_settings.rs_type;
    ApplyRowColours();
}

void SettingsPage::ApplyRowColours()
{
    for (int row = 0; row < kSettingsRows; ++row) {
        const bool locked = row > kRowPort && m_list->m_nMode == 0;
        QTreeWidgetItem* item = m_list->topLevelItem(row);
        for (int column = 0; column < 2; ++column)
            item->setForeground(column, locked ? kListGrey : kListBlue);
    }
}

void SettingsPage::SaveListSettings()
{
    SettingsListValues values;
    for (int row = 0; row < kSettingsRows; ++row)
        values[row] = m_list->CellText(row).toStdString();
    m_settings = ListValuesToSettings(values);
    SettingsStore& store = Services().settings;
    store.SetRecord(m_settings);
    store.Save();
}

void SettingsPage::OnCancel()
{
    SaveListSettings();
}

CWizard97PropertyPage3::CWizard97PropertyPage3(PageServices& services)
    : SettingsPage(services, 1005, 146, 138, kWizBack | kWizNext | kWizFinish)
{
}

CWizard97PropertyPage8::CWizard97PropertyPage8(PageServices& services)
    : SettingsPage(services, 1011, 151, 143, kWizBack | kWizFinish)
{
}
