#include "TerminalDialogs.h"

#include <csignal>
#include <iostream>
#include <string>
#include <unistd.h>

#include "wizard/AreaDialogLoop.h"

namespace {

volatile std::sig_atomic_t g_interrupts = 0;

void OnInterrupt(int)
{
    // A second Ctrl-C while the first is still pending ends the program.
    if (g_interrupts > 0) _exit(128 + SIGINT);
    g_interrupts = 1;
}

class TerminalView : public AreaDialogView {
public:
    explicit TerminalView(bool showBar) : m_showBar(showBar) {}
    void SetStatusText(const std::string& text) override
    {
        // The restart notice blinks with a blank; only real texts are shown.
        if (text.find_first_not_of(' ') == std::string::npos || text == m_text) return;
        m_text = text;
        if (m_showBar) {
            Draw();
        } else {
            std::cerr << text << '\n' << std::flush;
        }
    }
    void SetProgress(uint32_t percent) override
    {
        m_percent = percent > 100 ? 100 : percent;
        if (m_showBar) Draw();
    }
    void HideCancel() override {}
    void Close(DialogResult) override
    {
        if (m_showBar) std::cerr << '\n' << std::flush;
    }

private:
    // Drawn over the previous bar from the line's start, blanks covering
    // what a longer text left: no terminal escapes, which a Windows
    // console would print as they stand.
    void Draw()
    {
        constexpr uint32_t kWidth = 30;
        const uint32_t filled = m_percent * kWidth / 100;
        std::string percent = std::to_string(m_percent);
        std::string line = m_text + " [" + std::string(filled, '#') + std::string(kWidth - filled, ' ') + "] "
                           + std::string(3 - percent.size(), ' ') + percent + "%";
        const std::size_t width = CharacterCount(line);
        if (width < m_drawnWidth) line.append(m_drawnWidth - width, ' ');
        m_drawnWidth = width;
        std::cerr << '\r' + line << std::flush;
    }

    static std::size_t CharacterCount(const std::string& utf8)
    {
        std::size_t count = 0;
        for (char c : utf8) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        return count;
    }

    bool m_showBar;
    std::string m_text;
    uint32_t m_percent = 0;
    std::size_t m_drawnWidth = 0;
};

}  // namespace

void TerminalDialogs::InstallInterruptHandler()
{
#ifdef _WIN32
    // The handler is reset once it has run, so a second Ctrl-C ends the
    // program as the POSIX handler does.
    std::signal(SIGINT, OnInterrupt);
#else
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
#endif
}

bool TerminalDialogs::Interrupted() { return g_interrupts > 0; }

DialogResult TerminalDialogs::RunAreaRead(const std::string& title, AreaJob& job) { return Run(title, job, true); }
DialogResult TerminalDialogs::RunAreaWrite(const std::string& title, AreaJob& job) { return Run(title, job, false); }

DialogResult TerminalDialogs::Run(const std::string& title, AreaJob& job, bool reading)
{
    TerminalView view(m_showBar);
    AreaDialogSetup setup{title, reading ? WaitNormLogic::Direction::Read : WaitNormLogic::Direction::Write,
                        [this] {
                            if (!Interrupted()) return false;
                            m_prompts.ConfirmNextQuestion(true);
                            return true;
                        }};
    DialogResult result = RunAreaDialog(*m_link, m_prompts, job, setup, view);
    // A Ctrl-C the dialog could not act on (the restart cannot be
    // cancelled) must not answer a later question.
    m_prompts.ConfirmNextQuestion(false);
    if (result == DialogResult::Cancel) m_cancelled = true;
    return result;
}
