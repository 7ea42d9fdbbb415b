#pragma once
// Message boxes on the terminal: texts go to the user's terminal (stderr);
// a question is asked there when stdin is a terminal (Enter takes the
// wizard's default button) and is otherwise answered from the options or
// with No.

#include <optional>
#include <string>

#include "device/Prompts.h"

// Where the texts go and where a question is answered: stderr and stdin
// for a single port, the port's own lines when several ports write.
class PromptTerminal {
public:
    virtual ~PromptTerminal() = default;
    // A whole text to read: a message, or a question with its answer.
    virtual void Say(const std::string& text) = 0;
    // Shows the prompt and waits for a typed line; nullopt when the input
    // has ended.
    virtual std::optional<std::string> Ask(const std::string& prompt) = 0;
};

// stderr and stdin.
class StandardTerminal : public PromptTerminal {
public:
    void Say(const std::string& text) override;
    std::optional<std::string> Ask(const std::string& prompt) override;
};

class TerminalPrompts : public Prompts {
public:
    struct Answers {
        bool overwrite = false;               // save --force
        bool acceptVersionMismatch = false;   // write --accept-version-mismatch
    };

    TerminalPrompts(Answers answers, bool interactive, PromptTerminal& terminal)
        : m_answers(answers), m_interactive(interactive), m_terminal(terminal)
    {
    }

    MsgAnswer Show(const MessageBoxRequest& request) override;
    // The next question is a cancel the user has already confirmed (Ctrl-C).
    void ConfirmNextQuestion(bool on) { m_confirmNext = on; }
    // The overwrite has been agreed to already; the save must not ask again.
    void ConfirmOverwrite() { m_overwriteConfirmed = true; }
    // The text of the last message or question shown, for a record of the
    // device; empty after ForgetLastText.
    const std::string& LastText() const { return m_lastText; }
    void ForgetLastText() { m_lastText.clear(); }

private:
    MsgAnswer Answer(const MessageBoxRequest& request);
    std::optional<MsgAnswer> AnswerFromOptions(const std::string& text);
    MsgAnswer AskOnTerminal(const MessageBoxRequest& request);

    Answers m_answers;
    bool m_interactive;
    PromptTerminal& m_terminal;
    bool m_confirmNext = false;
    bool m_overwriteConfirmed = false;
    std::string m_lastText;
};
