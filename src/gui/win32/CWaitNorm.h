#pragma once
// The modal progress dialogs of one area transfer, from template 152:
// CWaitNorm while an area is read, CWaitNorm_Write while one is written.
// The worker's notifications arrive as posted window messages and are
// dropped by the system once the dialog has gone. Enter does nothing;
// "Отмена" and Esc ask before cancelling.

#include <windows.h>

#include <memory>
#include <string>

#include "device/ProgressDialogs.h"
#include "wizard/WaitNormLogic.h"

class DeviceLink;
class PostedNotifyTarget;
class Win32Prompts;

// The worker's messages to the dialog.
constexpr UINT WM_AREA_DONE = WM_USER + 50;
constexpr UINT WM_AREA_HIDE_CANCEL = WM_USER + 51;  // the device restarts: no cancelling now
constexpr UINT WM_AREA_STATUS_TEXT = WM_USER + 52;  // wParam: string table id
constexpr UINT WM_AREA_PROGRESS = WM_USER + 53;     // wParam: percent
constexpr UINT WM_AREA_STEP = WM_USER + 54;         // wParam: AreaMessage::Kind ReadBack or Rewrite

class CWaitNormDialog : private AreaDialogView {
public:
    CWaitNormDialog(DeviceLink& link, Win32Prompts& prompts, AreaJob& job, const std::string& statusText,
                    WaitNormLogic::Direction direction, HINSTANCE instance);
    ~CWaitNormDialog() override;
    CWaitNormDialog(const CWaitNormDialog&) = delete;
    CWaitNormDialog& operator=(const CWaitNormDialog&) = delete;

    // Begins the transfer and runs the dialog until it closes.
    DialogResult Run(HWND owner);

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnInitDialog();

    void SetStatusText(const std::string& text) override;
    void SetProgress(uint32_t percent) override;
    void HideCancel() override;
    void Close(DialogResult result) override;

    Win32Prompts& m_prompts;
    AreaJob& m_job;
    HINSTANCE m_instance;
    HWND m_window = nullptr;
    std::shared_ptr<PostedNotifyTarget> m_target;
    WaitNormLogic m_logic;
    bool m_begun = false;
    bool m_closed = false;
    DialogResult m_result = DialogResult::Ok;
};

class CWaitNorm : public CWaitNormDialog {
public:
    CWaitNorm(DeviceLink& link, Win32Prompts& prompts, AreaJob& job, const std::string& statusText,
              HINSTANCE instance);
};

class CWaitNorm_Write : public CWaitNormDialog {
public:
    CWaitNorm_Write(DeviceLink& link, Win32Prompts& prompts, AreaJob& job, const std::string& statusText,
                    HINSTANCE instance);
};

// The jobs' progress display: one dialog per area, modal to the box owner
// of the moment (the sheet).
class Win32ProgressDialogs : public ProgressDialogs {
public:
    Win32ProgressDialogs(Win32Prompts& prompts, HINSTANCE instance) : m_prompts(prompts), m_instance(instance) {}
    void SetLink(DeviceLink* link) { m_link = link; }

    DialogResult RunAreaRead(const std::string& title, AreaJob& job) override;
    DialogResult RunAreaWrite(const std::string& title, AreaJob& job) override;

private:
    Win32Prompts& m_prompts;
    HINSTANCE m_instance;
    DeviceLink* m_link = nullptr;
};
