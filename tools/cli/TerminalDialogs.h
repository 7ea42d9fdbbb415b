#pragma once
// The progress display of the area transfers on the terminal, with Ctrl-C
// as the confirmed "Отмена"; and the single progress bar of one port.

#include <functional>

#include "TerminalPrompts.h"
#include "device/ProgressDialogs.h"
#include "wizard/WaitNormLogic.h"

class DeviceLink;

class TerminalDialogs : public ProgressDialogs {
public:
    // view shows every transfer in turn; cancelRequested is asked between
    // the worker's messages and says whether the user wants the transfer
    // cancelled.
    TerminalDialogs(TerminalPrompts& prompts, AreaDialogView& view, std::function<bool()> cancelRequested)
        : m_prompts(prompts), m_view(view), m_cancelRequested(std::move(cancelRequested))
    {
    }
    void Attach(DeviceLink& link) { m_link = &link; }

    DialogResult RunAreaRead(const std::string& title, AreaJob& job) override;
    DialogResult RunAreaWrite(const std::string& title, AreaJob& job) override;

    // A transfer was cancelled since the last ForgetCancel.
    bool Cancelled() const { return m_cancelled; }
    void ForgetCancel() { m_cancelled = false; }

private:
    DialogResult Run(const std::string& title, AreaJob& job, bool reading);

    TerminalPrompts& m_prompts;
    AreaDialogView& m_view;
    std::function<bool()> m_cancelRequested;
    DeviceLink* m_link = nullptr;
    bool m_cancelled = false;
};

// One transfer at a time as a bar on stderr, redrawn in place when it is a
// terminal, otherwise its texts as lines.
class TerminalBar : public AreaDialogView {
public:
    explicit TerminalBar(bool inPlace) : m_inPlace(inPlace) {}
    void SetStatusText(const std::string& text) override;
    void SetProgress(uint32_t percent) override;
    void HideCancel() override {}
    void Close(DialogResult) override;

private:
    void Draw();

    bool m_inPlace;
    std::string m_text;
    uint32_t m_percent = 0;
    std::size_t m_drawnWidth = 0;
};

// "[#####     ]  45%": the bar of a transfer, width characters between the
// brackets.
std::string ProgressBarText(uint32_t percent, uint32_t width);
// Characters (not bytes) of a UTF-8 text.
std::size_t CharacterCount(const std::string& utf8);
