#pragma once
// Message boxes on the terminal: texts go to stderr; a question is asked on
// the terminal when stdin is one (Enter takes the wizard's default button)
// and is otherwise answered from the options or with No.

#include <optional>
#include <string>

#include "device/Prompts.h"

class TerminalPrompts : public Prompts {
public:
    struct Answers {
        bool overwrite = false;               // save --force
        bool acceptVersionMismatch = false;   // write --accept-version-mismatch
    };

    TerminalPrompts(Answers answers, bool interactive) : m_answers(answers), m_interactive(interactive) {}

    MsgAnswer Show(const MessageBoxRequest& request) override;
    // The next question is a cancel the user has already confirmed (Ctrl-C).
    void ConfirmNextQuestion(bool on) { m_confirmNext = on; }
    // The overwrite has been agreed to already; the save must not ask again.
    void ConfirmOverwrite() { m_overwriteConfirmed = true; }

private:
    std::optional<MsgAnswer> AnswerFromOptions(const std::string& text);
    MsgAnswer AskOnTerminal(const MessageBoxRequest& request);

    Answers m_answers;
    bool m_interactive;
    bool m_confirmNext = false;
    bool m_overwriteConfirmed = false;
};
