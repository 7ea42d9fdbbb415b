#include "AnswerInput.h"

#include <iostream>

#include "Interrupts.h"

#ifndef _WIN32
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#endif

#ifdef _WIN32
// A Ctrl-C during a console read ends the read, and the line with it.
std::optional<std::string> ReadAnswerLine()
{
    std::string line;
    if (!std::getline(std::cin, line)) return std::nullopt;
    return line;
}
#else
// Read a character at a time while looking at the presses in between; the
// terminal hands the line over once Enter is pressed.
std::optional<std::string> ReadAnswerLine()
{
    const int pressesBefore = interrupts::Count();
    std::string line;
    for (;;) {
        if (interrupts::Count() != pressesBefore || interrupts::Ending()) return std::nullopt;
        pollfd input{STDIN_FILENO, POLLIN, 0};
        const int ready = ::poll(&input, 1, 100);
        if (ready < 0 && errno != EINTR) return std::nullopt;
        if (ready <= 0) continue;
        char c = 0;
        const ssize_t got = ::read(STDIN_FILENO, &c, 1);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (got <= 0) return line.empty() ? std::nullopt : std::optional<std::string>(line);
        if (c == '\n') return line;
        line += c;
    }
}
#endif
