#include "TerminalPrompts.h"

#include <iostream>
#include <string>

#include "AnswerInput.h"
#include "resources/CliTexts.h"
#include "resources/DeviceTexts.h"
#include "resources/PageTexts.h"

namespace {

bool EndsWith(const std::string& text, const char* tail)
{
    std::string end(tail);
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

const char* AnswerWord(MsgAnswer answer) { return answer == MsgAnswer::Yes ? texts::kButtonYes : texts::kButtonNo; }

}  // namespace

void StandardTerminal::Say(const std::string& text) { std::cerr << text << std::endl; }

std::optional<std::string> StandardTerminal::Ask(const std::string& prompt)
{
    std::cerr << prompt << std::flush;
    std::optional<std::string> line = ReadAnswerLine();
    if (!line) std::cerr << '\n';
    return line;
}

MsgAnswer TerminalPrompts::Show(const MessageBoxRequest& request)
{
    if (m_overwriteConfirmed && EndsWith(request.text, texts::kSaveOverwriteQuestion)) return MsgAnswer::Yes;
    if (request.buttons == MsgButtons::Ok) {
        m_lastText = request.text;
        m_terminal.Say(request.text);
        return MsgAnswer::Ok;
    }
    if (m_confirmNext) {
        m_confirmNext = false;
        m_lastText = request.text + texts::kButtonYes;
        m_terminal.Say(m_lastText);
        return MsgAnswer::Yes;
    }
    const MsgAnswer answer = Answer(request);
    // A question is remembered with its answer: the record of a device
    // says what was decided.
    m_lastText = request.text + AnswerWord(answer);
    return answer;
}

MsgAnswer TerminalPrompts::Answer(const MessageBoxRequest& request)
{
    if (std::optional<MsgAnswer> answer = AnswerFromOptions(request.text)) {
        m_terminal.Say(request.text + AnswerWord(*answer));
        return *answer;
    }
    if (m_interactive) return AskOnTerminal(request);
    m_terminal.Say(request.text + texts::kButtonNo);
    return MsgAnswer::No;
}

// The questions an option answers Yes: the overwrite question of a save is
// --force, the version question of a write --accept-version-mismatch.
// Without the option the question goes to the terminal, or is answered No
// where there is none.
std::optional<MsgAnswer> TerminalPrompts::AnswerFromOptions(const std::string& text)
{
    if (EndsWith(text, texts::kSaveOverwriteQuestion) && m_answers.overwrite) return MsgAnswer::Yes;
    if (text == texts::kVersionMismatchQuestion && m_answers.acceptVersionMismatch) return MsgAnswer::Yes;
    return std::nullopt;
}

MsgAnswer TerminalPrompts::AskOnTerminal(const MessageBoxRequest& request)
{
    const MsgAnswer fallback = request.defaultIsSecond ? MsgAnswer::No : MsgAnswer::Yes;
    std::string prompt = request.text + texts::kCliAnswerHint;
    for (;;) {
        std::optional<std::string> line = m_terminal.Ask(prompt);
        if (!line) return MsgAnswer::No;
        if (line->empty()) return fallback;
        // "д"/"да", or "y"/"yes" for a keyboard without Cyrillic.
        const char first = (*line)[0];
        if (line->rfind("д", 0) == 0 || line->rfind("Д", 0) == 0 || first == 'y' || first == 'Y') return MsgAnswer::Yes;
        if (line->rfind("н", 0) == 0 || line->rfind("Н", 0) == 0 || first == 'n' || first == 'N') return MsgAnswer::No;
        prompt = texts::kCliAnswerHint;
    }
}
