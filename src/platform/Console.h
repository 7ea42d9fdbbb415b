#pragma once
// The program's command line and standard streams in UTF-8, the encoding
// of every text inside the program, whatever the system's code pages are.

#include <cstddef>
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

// Drawing over lines already written on a console, as a display of several
// lines that change in place needs. Each works on a stream for which
// IsConsole holds and does nothing on another; what the stream's
// std::ostream holds is written out first.
// The console's width in characters; 0 when it is not known.
std::size_t ConsoleWidth(StandardStream stream);
// Moves the cursor to the start of the line `lines` lines above its own.
void ConsoleCursorUp(StandardStream stream, std::size_t lines);
// Blanks the rest of the cursor's line; the cursor stays.
void ConsoleClearToLineEnd(StandardStream stream);

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
