#include "platform/Console.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <iostream>

std::vector<std::string> ProgramArguments(int argc, char** argv)
{
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

bool IsConsole(StandardStream stream)
{
    switch (stream) {
    case StandardStream::Input: return ::isatty(STDIN_FILENO) != 0;
    case StandardStream::Output: return ::isatty(STDOUT_FILENO) != 0;
    case StandardStream::Error: return ::isatty(STDERR_FILENO) != 0;
    }
    return false;
}

namespace {

int Descriptor(StandardStream stream)
{
    switch (stream) {
    case StandardStream::Input: return STDIN_FILENO;
    case StandardStream::Output: return STDOUT_FILENO;
    case StandardStream::Error: return STDERR_FILENO;
    }
    return -1;
}

// The stream's text goes through its std::ostream, so the terminal's
// control sequences stay in order with it.
std::ostream* TerminalOf(StandardStream stream)
{
    if (!IsConsole(stream)) return nullptr;
    if (stream == StandardStream::Output) return &std::cout;
    if (stream == StandardStream::Error) return &std::cerr;
    return nullptr;
}

}  // namespace

std::size_t ConsoleWidth(StandardStream stream)
{
    winsize size {};
    if (!IsConsole(stream) || ::ioctl(Descriptor(stream), TIOCGWINSZ, &size) != 0) return 0;
    return size.ws_col;
}

void ConsoleCursorUp(StandardStream stream, std::size_t lines)
{
    std::ostream* terminal = TerminalOf(stream);
    if (terminal == nullptr) return;
    *terminal << '\r';
    if (lines > 0) *terminal << "\x1b[" << lines << 'A';
}

void ConsoleClearToLineEnd(StandardStream stream)
{
    if (std::ostream* terminal = TerminalOf(stream)) *terminal << "\x1b[K";
}

struct Utf8StandardStreams::Buffers {};

Utf8StandardStreams::Utf8StandardStreams() = default;
Utf8StandardStreams::~Utf8StandardStreams() = default;
