#pragma once
// The progress display of one area transfer on the terminal: a bar on
// stderr when it is a terminal, the restart notice, and Ctrl-C as the
// confirmed "Отмена".

#include "TerminalPrompts.h"
#include "device/ProgressDialogs.h"

class DeviceLink;

class TerminalDialogs : public ProgressDialogs {
public:
    TerminalDialogs(TerminalPrompts& prompts, bool showBar) : m_prompts(prompts), m_showBar(showBar) {}
    void Attach(DeviceLink& link) { m_link = &link; }

    DialogResult RunAreaRead(const std::string& title, AreaJob& job) override;
    DialogResult RunAreaWrite(const std::string& title, AreaJob& job) override;

    bool Cancelled() const { return m_cancelled; }

    // Ctrl-C: asks the running transfer to stop after its block.
    static void InstallInterruptHandler();
    static bool Interrupted();

private:
    DialogResult Run(const std::string& title, AreaJob& job, bool reading);

    TerminalPrompts& m_prompts;
    bool m_showBar;
    DeviceLink* m_link = nullptr;
    bool m_cancelled = false;
};
