#pragma once
// The program's command line and standard streams in UTF-8, the encoding
// of every text inside the program, whatever the system's code pages are.

#include <memory>
#include <string>
#include <vector>

// The arguments after the program's name. On Windows they are taken from
// the UTF-16 command line, not from argv, which the C runtime has already
// squeezed through the ANSI code page.
std::vector<std::string> ProgramArguments(int argc, char** argv);

enum class StandardStream { Input, Output, Error };

// True when the stream is a terminal the user reads or types at (a Windows
// console; a tty on Linux), not a file, a pipe or the null device.
bool IsConsole(StandardStream stream);

// For its life, std::cout, std::cerr and std::cin carry UTF-8: on a Windows
// console they are written with WriteConsoleW and read with ReadConsoleW,
// so Russian texts read right in cmd.exe and PowerShell whatever their code
// page; redirected to a file or a pipe they carry the UTF-8 bytes (lines
// ending in CR LF, as Windows text files do). On Linux the streams already
// are UTF-8 and nothing changes. Make one at the start of main, before
// anything is written.
class Utf8StandardStreams {
public:
    Utf8StandardStreams();
    ~Utf8StandardStreams();
    Utf8StandardStreams(const Utf8StandardStreams&) = delete;
    Utf8StandardStreams& operator=(const Utf8StandardStreams&) = delete;

private:
    struct Buffers;
    std::unique_ptr<Buffers> m_buffers;
};
