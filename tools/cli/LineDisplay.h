#pragma once
// What several ports writing at once show on the terminal: one line per
// port (port, model, what it does, the bar of the area in progress),
// redrawn in place on a console; on a file or a pipe the changes of what
// each port does, as plain lines. Messages and questions of a port appear
// above the lines, named by the port; one question is asked at a time.

#include <chrono>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "TerminalPrompts.h"
#include "wizard/WaitNormLogic.h"

struct PortRow {
    std::string model;
    std::string text;
    std::optional<uint32_t> percent;  // a transfer's bar, when one runs
};

class LineDisplay {
public:
    explicit LineDisplay(bool inPlace) : m_inPlace(inPlace) {}

    // All rows are added before any is shown.
    std::size_t AddRow(const std::string& port);
    void Show(std::size_t row, const PortRow& state);
    void Say(std::size_t row, const std::string& text) { Print(m_ports[row] + ": ", text); }
    // A text about the whole line, not one port.
    void Announce(const std::string& text) { Print("", text); }
    std::optional<std::string> Ask(std::size_t row, const std::string& prompt);
    // Leaves the lines as they stand, the cursor below them.
    void Finish();

private:
    void Print(const std::string& prefix, const std::string& text);
    std::string RowText(std::size_t row) const;
    void Erase();
    void Draw();

    const bool m_inPlace;
    std::mutex m_mutex;
    std::mutex m_askMutex;  // one question at a time
    std::vector<std::string> m_ports;
    std::vector<PortRow> m_rows;
    std::size_t m_portWidth = 0;
    std::size_t m_drawn = 0;  // rows on the screen above the cursor
    bool m_asking = false;    // a question waits on the last line: nothing is drawn under it
    std::chrono::steady_clock::time_point m_lastDraw{};
};

// One port's share of the display: its transfers' progress, what the
// port does between them, and its messages and questions.
class PortView : public AreaDialogView, public PromptTerminal {
public:
    PortView(LineDisplay& display, const std::string& port) : m_display(display), m_row(display.AddRow(port)) {}

    void SetModel(const std::string& model);
    // Asked for the model when a transfer starts while none is shown: the
    // write job knows it by then.
    void SetModelSource(std::function<std::optional<std::string>()> source) { m_modelSource = std::move(source); }
    // What the port does between transfers; no bar.
    void SetActivity(const std::string& text);
    // What the port does while no device is on it.
    void SetIdle(const std::string& text);

    void SetStatusText(const std::string& text) override;
    void SetProgress(uint32_t percent) override;
    void HideCancel() override {}
    void Close(DialogResult) override {}

    void Say(const std::string& text) override { m_display.Say(m_row, text); }
    std::optional<std::string> Ask(const std::string& prompt) override { return m_display.Ask(m_row, prompt); }

private:
    LineDisplay& m_display;
    const std::size_t m_row;
    PortRow m_state;
    std::function<std::optional<std::string>()> m_modelSource;
};

// The first count characters of a UTF-8 text.
std::string FirstCharacters(const std::string& utf8, std::size_t count);
