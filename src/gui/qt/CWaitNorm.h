#pragma once
// The modal progress dialogs of one area transfer: CWaitNorm while an area
// is read, CWaitNorm_Write while one is written. The worker's notifications
// arrive queued on the dialog's thread and are dropped once it has closed.
// Enter does nothing; "Отмена", Esc and the window's close request ask
// before cancelling.

#include <memory>
#include <string>

#include <QDialog>

#include "device/ProgressDialogs.h"
#include "wizard/WaitNormLogic.h"

class DeviceLink;
class Prompts;
class QLabel;
class QProgressBar;
class QPushButton;
class QueuedNotifyTarget;

class CWaitNormDialog : public QDialog, private AreaDialogView {
public:
    CWaitNormDialog(DeviceLink& link, Prompts& prompts, AreaJob& job, const std::string& statusText,
                    WaitNormLogic::Direction direction, QWidget* parent);
    ~CWaitNormDialog() override;

    // Begins the transfer and runs the dialog until it closes.
    DialogResult Run();

    QProgressBar* Progress() const { return m_progress; }
    QLabel* Status() const { return m_status; }
    QPushButton* CancelButton() const { return m_cancel; }

    // A worker notification, on the dialog's thread.
    void Deliver(const AreaMessage& message);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void reject() override;

private:
    void SetStatusText(const std::string& text) override;
    void SetProgress(uint32_t percent) override;
    void HideCancel() override;
    void Close(DialogResult result) override;

    QProgressBar* m_progress;
    QLabel* m_status;
    QPushButton* m_cancel;
    std::shared_ptr<QueuedNotifyTarget> m_target;
    WaitNormLogic m_logic;
    bool m_running = false;
    bool m_closed = false;
    DialogResult m_result = DialogResult::Ok;
};

class CWaitNorm : public CWaitNormDialog {
public:
    CWaitNorm(DeviceLink& link, Prompts& prompts, AreaJob& job, const std::string& statusText, QWidget* parent);
};

class CWaitNorm_Write : public CWaitNormDialog {
public:
    CWaitNorm_Write(DeviceLink& link, Prompts& prompts, AreaJob& job, const std::string& statusText,
                    QWidget* parent);
};

// The jobs' progress display: one dialog per area, modal to the sheet. The
// job that runs it waits, after a cancel, until the worker lets go of the area.
class QtProgressDialogs : public ProgressDialogs {
public:
    explicit QtProgressDialogs(Prompts& prompts) : m_prompts(prompts) {}
    void SetLink(DeviceLink* link) { m_link = link; }
    void SetOwner(QWidget* owner) { m_owner = owner; }

    DialogResult RunAreaRead(const std::string& title, AreaJob& job) override;
    DialogResult RunAreaWrite(const std::string& title, AreaJob& job) override;

private:
    Prompts& m_prompts;
    DeviceLink* m_link = nullptr;
    QWidget* m_owner = nullptr;
};
