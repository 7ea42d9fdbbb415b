#include "platform/Console.h"

#include <unistd.h>

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

struct Utf8StandardStreams::Buffers {};

Utf8StandardStreams::Utf8StandardStreams() = default;
Utf8StandardStreams::~Utf8StandardStreams() = default;
