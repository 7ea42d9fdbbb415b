#include "LineDisplay.h"

#include <iostream>
#include <sstream>

#include "AnswerInput.h"
#include "TerminalDialogs.h"
#include "platform/Console.h"

namespace {

// A bar redrawn more often than this shows nothing the eye can follow and
// costs a write per port and block.
constexpr auto kRedrawPause = std::chrono::milliseconds(100);

std::string Padded(const std::string& text, std::size_t width)
{
    const std::size_t count = CharacterCount(text);
    return count < width ? text + std::string(width - count, ' ') : text;
}

}  // namespace

std::string FirstCharacters(const std::string& utf8, std::size_t count)
{
    std::size_t seen = 0;
    for (std::size_t at = 0; at < utf8.size(); ++at) {
        if ((static_cast<unsigned char>(utf8[at]) & 0xC0) != 0x80 && seen++ == count) return utf8.substr(0, at);
    }
    return utf8;
}

std::size_t LineDisplay::AddRow(const std::string& port)
{
    std::lock_guard guard(m_mutex);
    m_ports.push_back(port);
    m_rows.emplace_back();
    m_portWidth = std::max(m_portWidth, CharacterCount(port));
    return m_rows.size() - 1;
}

std::string LineDisplay::RowText(std::size_t row) const
{
    const PortRow& state = m_rows[row];
    std::string text = Padded(m_ports[row], m_portWidth) + "  " + Padded(state.model, 8) + "  " + state.text;
    if (state.percent) text += " " + ProgressBarText(*state.percent, 20);
    return text;
}

void LineDisplay::Show(std::size_t row, const PortRow& state)
{
    std::lock_guard guard(m_mutex);
    const PortRow before = m_rows[row];
    m_rows[row] = state;
    const bool newText = before.text != state.text || before.model != state.model;
    if (!m_inPlace) {
        if (newText) std::cerr << m_ports[row] << ": " << state.model << (state.model.empty() ? "" : " ") << state.text
                               << std::endl;
        return;
    }
    if (m_asking) return;
    const auto now = std::chrono::steady_clock::now();
    if (!newText && now - m_lastDraw < kRedrawPause) return;
    m_lastDraw = now;
    Erase();
    Draw();
}

void LineDisplay::Print(const std::string& prefix, const std::string& text)
{
    std::lock_guard guard(m_mutex);
    Erase();
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::cerr << prefix << line;
        ConsoleClearToLineEnd(StandardStream::Error);
        std::cerr << '\n';
    }
    if (m_inPlace && !m_asking) Draw();
    std::cerr << std::flush;
}

std::optional<std::string> LineDisplay::Ask(std::size_t row, const std::string& prompt)
{
    std::lock_guard asking(m_askMutex);
    {
        std::lock_guard guard(m_mutex);
        Erase();
        std::cerr << m_ports[row] << ": " << prompt << std::flush;
        ConsoleClearToLineEnd(StandardStream::Error);
        m_asking = true;
    }
    // Other ports go on while the user types; their lines are drawn again
    // once the answer is in.
    const std::optional<std::string> line = ReadAnswerLine();
    const bool answered = line.has_value();
    std::lock_guard guard(m_mutex);
    m_asking = false;
    if (!answered) std::cerr << '\n';
    if (m_inPlace) Draw();
    std::cerr << std::flush;
    return line;
}

void LineDisplay::Finish()
{
    std::lock_guard guard(m_mutex);
    if (m_inPlace) {
        Erase();
        Draw();
    }
    m_drawn = 0;
    std::cerr << std::flush;
}

// Back to the first row drawn; the rows are written over.
void LineDisplay::Erase()
{
    if (m_drawn > 0) ConsoleCursorUp(StandardStream::Error, m_drawn);
    m_drawn = 0;
}

void LineDisplay::Draw()
{
    // A row longer than the console would wrap and the next redraw would
    // start too low.
    const std::size_t width = ConsoleWidth(StandardStream::Error);
    for (std::size_t row = 0; row < m_rows.size(); ++row) {
        std::string text = RowText(row);
        if (width > 1) text = FirstCharacters(text, width - 1);
        std::cerr << text;
        ConsoleClearToLineEnd(StandardStream::Error);
        std::cerr << '\n';
    }
    m_drawn = m_rows.size();
    std::cerr << std::flush;
}

void PortView::SetModel(const std::string& model)
{
    m_state.model = model;
    m_display.Show(m_row, m_state);
}

void PortView::SetActivity(const std::string& text)
{
    m_state.text = text;
    m_state.percent.reset();
    m_display.Show(m_row, m_state);
}

void PortView::SetIdle(const std::string& text)
{
    m_state.model.clear();
    SetActivity(text);
}

void PortView::SetStatusText(const std::string& text)
{
    // The restart notice blinks with a blank; only real texts are shown.
    if (text.find_first_not_of(' ') == std::string::npos) return;
    m_state.text = text;
    if (!m_state.percent) m_state.percent = 0;
    if (m_state.model.empty() && m_modelSource) m_state.model = m_modelSource().value_or("");
    m_display.Show(m_row, m_state);
}

void PortView::SetProgress(uint32_t percent)
{
    m_state.percent = percent > 100 ? 100 : percent;
    m_display.Show(m_row, m_state);
}
