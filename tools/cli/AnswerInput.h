#pragma once
// The answer to a question, typed on stdin. A question nobody answers must
// not hold up a Ctrl-C: a press while it waits (or the program told to
// end) answers it as if the input had ended, which the prompts take as No.

#include <optional>
#include <string>

// The line typed, without its end; nullopt when the input has ended or
// Ctrl-C came first.
std::optional<std::string> ReadAnswerLine();
