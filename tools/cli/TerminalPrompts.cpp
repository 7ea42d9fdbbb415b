#include "TerminalPrompts.h"

#include <iostream>
#include <string>

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

MsgAnswer TerminalPrompts::Show(const MessageBoxRequest& request)
{
    if (m_overwriteConfirmed && EndsWith(request.text, texts::kSaveOverwriteQuestion)) return MsgAnswer::Yes;
    std::cerr << request.text;
    if (request.buttons == MsgButtons::Ok) {
        std::cerr << std::endl;
        return MsgAnswer::Ok;
    }
    if (m_confirmNext) {
        m_confirmNext = false;
        std::cerr << texts::kButtonYes << std::endl;
        return MsgAnswer::Yes;
    }
    if (std::optional<MsgAnswer> answer = AnswerFromOptions(request.text)) {
        std::cerr << AnswerWord(*answer) << std::endl;
        return *answer;
    }
    if (m_interactive) return AskOnTerminal(request);
    std::cerr << texts::kButtonNo << std::endl;
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
    for (;;) {
        std::cerr << texts::kCliAnswerHint << std::flush;
        std::string line;
        if (!std::getline(std::cin, line)) return MsgAnswer::No;
        if (line.empty()) return fallback;
        // "д"/"да", or "y"/"yes" for a keyboard without Cyrillic.
        if (line.rfind("д", 0) == 0 || line.rfind("Д", 0) == 0 || line[0] == 'y' || line[0] == 'Y') {
            return MsgAnswer::Yes;
        }
        if (line.rfind("н", 0) == 0 || line.rfind("Н", 0) == 0 || line[0] == 'n' || line[0] == 'N') {
            return MsgAnswer::No;
        }
    }
}
