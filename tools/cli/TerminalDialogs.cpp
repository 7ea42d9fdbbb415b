#include "TerminalDialogs.h"

#include <iostream>
#include <string>

#include "wizard/AreaDialogLoop.h"

std::string ProgressBarText(uint32_t percent, uint32_t width)
{
    if (percent > 100) percent = 100;
    const uint32_t filled = percent * width / 100;
    const std::string number = std::to_string(percent);
    return "[" + std::string(filled, '#') + std::string(width - filled, ' ') + "] " +
           std::string(3 - number.size(), ' ') + number + "%";
}

std::size_t CharacterCount(const std::string& utf8)
{
    std::size_t count = 0;
    for (char c : utf8) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

void TerminalBar::SetStatusText(const std::string& text)
{
    // The restart notice blinks with a blank; only real texts are shown.
    if (text.find_first_not_of(' ') == std::string::npos || text == m_text) return;
    m_text = text;
    if (m_inPlace) {
        Draw();
    } else {
        std::cerr << text << '\n' << std::flush;
    }
}

void TerminalBar::SetProgress(uint32_t percent)
{
    m_percent = percent > 100 ? 100 : percent;
    if (m_inPlace) Draw();
}

void TerminalBar::Close(DialogResult)
{
    if (m_inPlace) std::cerr << '\n' << std::flush;
    m_text.clear();
    m_percent = 0;
    m_drawnWidth = 0;
}

// Drawn over the previous bar from the line's start, blanks covering what
// a longer text left: no terminal escapes, which a Windows console would
// print as they stand.
void TerminalBar::Draw()
{
    std::string line = m_text + " " + ProgressBarText(m_percent, 30);
    const std::size_t width = CharacterCount(line);
    if (width < m_drawnWidth) line.append(m_drawnWidth - width, ' ');
    m_drawnWidth = width;
    std::cerr << '\r' + line << std::flush;
}

DialogResult TerminalDialogs::RunAreaRead(const std::string& title, AreaJob& job) { return Run(title, job, true); }
DialogResult TerminalDialogs::RunAreaWrite(const std::string& title, AreaJob& job) { return Run(title, job, false); }

DialogResult TerminalDialogs::Run(const std::string& title, AreaJob& job, bool reading)
{
    AreaDialogSetup setup{title, reading ? WaitNormLogic::Direction::Read : WaitNormLogic::Direction::Write,
                        [this] {
                            if (!m_cancelRequested()) return false;
                            m_prompts.ConfirmNextQuestion(true);
                            return true;
                        }};
    DialogResult result = RunAreaDialog(*m_link, m_prompts, job, setup, m_view);
    // A Ctrl-C the dialog could not act on (the restart cannot be
    // cancelled) must not answer a later question.
    m_prompts.ConfirmNextQuestion(false);
    if (result == DialogResult::Cancel) m_cancelled = true;
    return result;
}
