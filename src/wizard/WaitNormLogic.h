#pragma once
// What the progress dialog of one area transfer does, without any window:
// it starts the transfer when it opens, follows the worker's notifications,
// asks before cancelling and closes when the worker reports the end. The Qt
// dialogs and the command-line tool's progress bar both run on it.

#include <memory>
#include <string>

#include "device/AreaJob.h"
#include "device/ProgressDialogs.h"

class DeviceLink;
class Prompts;

// The window side the logic drives. Called on the dialog's own thread only.
class AreaDialogView {
public:
    virtual ~AreaDialogView() = default;
    virtual void SetStatusText(const std::string& text) = 0;
    virtual void SetProgress(uint32_t percent) = 0;
    virtual void HideCancel() = 0;
    virtual void Close(DialogResult result) = 0;
};

class WaitNormLogic {
public:
    enum class Direction { Read, Write };

    WaitNormLogic(DeviceLink& link, Prompts& prompts, AreaJob& job, std::string statusText,
                  Direction direction, AreaDialogView& view);

    // target forwards the worker's messages to OnMessage on the dialog's
    // thread and drops them once the dialog has closed.
    void OnInitDialog(std::shared_ptr<AreaNotifyTarget> target);
    void OnMessage(const AreaMessage& message);
    void OnCancel();  // "Отмена" or Esc
    // Enter does nothing: there is no OnOk.

    bool CancelAsked() const { return m_cancelAsked; }
    bool JobDone() const { return m_jobDone; }

private:
    void OnAreaDone();
    void Close(DialogResult result);
    static std::string Titled(const std::string& title, const AreaMessage& message);

    DeviceLink& m_link;
    Prompts& m_prompts;
    AreaJob& m_job;
    std::string m_statusText;
    Direction m_direction;
    AreaDialogView& m_view;
    bool m_cancelAsked = false;
    bool m_jobDone = false;
    bool m_closed = false;
    bool m_cancelHidden = false;  // the restart after area 64 is under way
};
