#pragma once
// The stream buffers behind Utf8StandardStreams on Windows.

#include <windows.h>

#include <streambuf>
#include <string>
#include <string_view>

// Writes UTF-8 to a standard handle as it comes, without holding more than
// an unfinished character back: to a console as UTF-16 with WriteConsoleW,
// to anything else as UTF-8 bytes with each "\n" written as "\r\n".
class Utf8OutputBuffer : public std::streambuf {
public:
    explicit Utf8OutputBuffer(HANDLE handle);

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;

private:
    bool Write(std::string_view complete);

    HANDLE m_handle;
    bool m_console;
    std::string m_unfinished;  // the first bytes of a character cut in two
};

// Reads lines typed at a console with ReadConsoleW as UTF-8, "\r\n" as "\n";
// a line that starts with Ctrl-Z ends the input, as it does for the C runtime.
class Utf8ConsoleInputBuffer : public std::streambuf {
public:
    explicit Utf8ConsoleInputBuffer(HANDLE handle) : m_handle(handle) {}

protected:
    int_type underflow() override;

private:
    HANDLE m_handle;
    std::string m_line;
};

// Where a text of UTF-8 stops being whole: the length of its longest
// prefix that does not end inside a character.
std::size_t WholeUtf8Length(std::string_view text);
