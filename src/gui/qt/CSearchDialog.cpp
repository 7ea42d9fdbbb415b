#include "gui/qt/CSearchDialog.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "gui/qt/pages/DialogUnits.h"
#include "gui/qt/pages/TemplateControls.h"
#include "resources/DeviceTexts.h"
#include "wizard/DialogTemplates.h"

CSearchDialog::CSearchDialog(const SearchRequest& request, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_logic(request, *this)
{
    const DialogTemplate& dialog = *FindTemplate(kTemplateSearch);
    setWindowTitle(QString::fromUtf8(texts::StringTableEntry(dialog.captionStringId)));
    setFont(DialogFont());
    const DialogUnits units(DialogFont());
    BuildTemplateControls(dialog, this, units);
    setFixedSize(units.X(dialog.width), units.Y(dialog.height));
    m_status = TemplateControl<QLabel>(this, kIdSearchText);
    m_progress = TemplateControl<QProgressBar>(this, kIdSearchBar);
    m_cancel = TemplateControl<QPushButton>(this, kIdProgressCancel);
    connect(m_cancel, &QPushButton::clicked, this, [this] { m_logic.OnCancel(); });
    connect(&m_timer, &QTimer::timeout, this, [this] { m_logic.OnTimer(); });
}

SearchResult CSearchDialog::Run()
{
    m_logic.OnInitDialog();
    m_timer.start(kSearchPollMs);
    m_running = true;
    exec();
    m_running = false;
    m_timer.stop();
    return m_logic.Result();
}

void CSearchDialog::SetStatusText(const std::string& text)
{
    m_status->setText(QString::fromStdString(text));
}

void CSearchDialog::SetProgress(uint32_t percent)
{
    m_progress->setValue(static_cast<int>(percent));
}

void CSearchDialog::Close()
{
    if (m_running) QDialog::done(QDialog::Accepted);
}

void CSearchDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) return;
    QDialog::keyPressEvent(event);
}

void CSearchDialog::reject()
{
    // The dialog closes once the search has let go of its ports.
    m_logic.OnCancel();
}

void CSearchDialog::closeEvent(QCloseEvent* event)
{
    event->ignore();
    reject();
}
