#include "gui/qt/CWaitNorm.h"

#include <algorithm>
#include <mutex>

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "device/DeviceLink.h"
#include "gui/qt/DialogFrame.h"
#include "gui/qt/pages/DialogUnits.h"
#include "gui/qt/pages/TemplateControls.h"
#include "resources/DeviceTexts.h"
#include "wizard/DialogTemplates.h"

// Carries the worker's notifications to the dialog's thread without ever
// waiting; once detached (the dialog has closed) they are dropped.
class QueuedNotifyTarget : public AreaNotifyTarget {
public:
    explicit QueuedNotifyTarget(CWaitNormDialog* dialog) : m_dialog(dialog) {}

    void Post(const AreaMessage& message) override
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (!m_dialog)
            return;
        CWaitNormDialog* dialog = m_dialog;
        // Posted to the dialog: a dialog destroyed before delivery drops it.
        QMetaObject::invokeMethod(
            dialog, [dialog, message] { dialog->Deliver(message); }, Qt::QueuedConnection);
    }

    void Detach()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_dialog = nullptr;
    }

private:
    std::mutex m_lock;
    CWaitNormDialog* m_dialog;
};

namespace {

// What a title bar takes at each end of its text: the icon on the left, a
// button's room on the right, and the gaps.
constexpr int kTitleBarMargin = 40;

}  // namespace

CWaitNormDialog::CWaitNormDialog(DeviceLink& link, Prompts& prompts, AreaJob& job, const std::string& statusText,
                                 WaitNormLogic::Direction direction, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_target(std::make_shared<QueuedNotifyTarget>(this)),
      m_logic(link, prompts, job, statusText, direction, *this)
{
    const DialogTemplate& dialog = *FindTemplate(kTemplateProgress);
    setWindowTitle(QString::fromUtf8(texts::StringTableEntry(dialog.captionStringId)));
    setFont(DialogFont());
    const DialogUnits units(DialogFont());
    BuildTemplateControls(dialog, this, units);
    // Wide enough for the whole title beside the window's icon, where the
    // template alone would have it cut; the controls stay where it puts them.
    QFont titleFont = QApplication::font();
    titleFont.setBold(true);
    const int titleWidth = QFontMetrics(titleFont).horizontalAdvance(windowTitle()) + 2 * kTitleBarMargin;
    setFixedSize(std::max(units.X(dialog.width), titleWidth), units.Y(dialog.height));
    m_progress = TemplateControl<QProgressBar>(this, kIdProgressBar);
    m_status = TemplateControl<QLabel>(this, kIdProgressText);
    m_cancel = TemplateControl<QPushButton>(this, kIdProgressCancel);
    connect(m_cancel, &QPushButton::clicked, this, [this] { m_logic.OnCancel(); });
}

CWaitNormDialog::~CWaitNormDialog()
{
    m_target->Detach();
}

DialogResult CWaitNormDialog::Run()
{
    m_logic.OnInitDialog(m_target);
    if (m_closed)
        return m_result;
    m_running = true;
    exec();
    m_running = false;
    return m_result;
}

void CWaitNormDialog::Deliver(const AreaMessage& message)
{
    if (!m_closed)
        m_logic.OnMessage(message);
}

void CWaitNormDialog::SetStatusText(const std::string& text)
{
    m_status->setText(QString::fromStdString(text));
}

void CWaitNormDialog::SetProgress(uint32_t percent)
{
    m_progress->setValue(static_cast<int>(percent));
}

void CWaitNormDialog::HideCancel()
{
    m_cancel->setEnabled(false);
    m_cancel->hide();
}

void CWaitNormDialog::Close(DialogResult result)
{
    if (m_closed)
        return;
    m_closed = true;
    m_result = result;
    m_target->Detach();
    if (m_running)
        QDialog::done(static_cast<int>(result));
}

void CWaitNormDialog::keyPressEvent(QKeyEvent* event)
{
    // Enter is the template's OK, which does nothing.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        return;
    QDialog::keyPressEvent(event);
}

void CWaitNormDialog::reject()
{
    // Esc: the same question as "Отмена", unless that has gone for the
    // device's restart.
    if (m_cancel->isEnabled())
        m_logic.OnCancel();
}

void CWaitNormDialog::closeEvent(QCloseEvent* event)
{
    event->ignore();
    reject();
}

void CWaitNormDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    AskForDialogFrame(*this);
}

CWaitNorm::CWaitNorm(DeviceLink& link, Prompts& prompts, AreaJob& job, const std::string& statusText,
                     QWidget* parent)
    : CWaitNormDialog(link, prompts, job, statusText, WaitNormLogic::Direction::Read, parent)
{
}

CWaitNorm_Write::CWaitNorm_Write(DeviceLink& link, Prompts& prompts, AreaJob& job, const std::string& statusText,
                                 QWidget* parent)
    : CWaitNormDialog(link, prompts, job, statusText, WaitNormLogic::Direction::Write, parent)
{
}

DialogResult QtProgressDialogs::RunAreaRead(const std::string& title, AreaJob& job)
{
    CWaitNorm dialog(*m_link, m_prompts, job, title, m_owner);
    return dialog.Run();
}

DialogResult QtProgressDialogs::RunAreaWrite(const std::string& title, AreaJob& job)
{
    CWaitNorm_Write dialog(*m_link, m_prompts, job, title, m_owner);
    return dialog.Run();
}
