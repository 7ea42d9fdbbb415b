#include <windows.h>

#include <shellapi.h>

#include <iostream>

#include "platform/Console.h"
#include "platform/win32/ConsoleStreams.h"
#include "platform/win32/WideText.h"

namespace {

HANDLE StandardHandle(StandardStream stream)
{
    switch (stream) {
    case StandardStream::Input: return ::GetStdHandle(STD_INPUT_HANDLE);
    case StandardStream::Output: return ::GetStdHandle(STD_OUTPUT_HANDLE);
    case StandardStream::Error: return ::GetStdHandle(STD_ERROR_HANDLE);
    }
    return INVALID_HANDLE_VALUE;
}

bool IsConsoleHandle(HANDLE handle)
{
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode);
}

bool WriteBytes(HANDLE handle, std::string_view bytes)
{
    while (!bytes.empty()) {
        DWORD written = 0;
        if (!::WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) || written == 0)
            return false;
        bytes.remove_prefix(written);
    }
    return true;
}

bool WriteConsoleText(HANDLE handle, std::wstring_view text)
{
    while (!text.empty()) {
        DWORD written = 0;
        if (!::WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) || written == 0)
            return false;
        text.remove_prefix(written);
    }
    return true;
}

}  // namespace

std::size_t WholeUtf8Length(std::string_view text)
{
    // A character is at most four bytes: its lead is among the last four.
    const std::size_t earliest = text.size() > 4 ? text.size() - 4 : 0;
    for (std::size_t at = text.size(); at > earliest; --at) {
        const auto byte = static_cast<unsigned char>(text[at - 1]);
        if ((byte & 0xC0) == 0x80) continue;  // a continuation byte
        const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return text.size() - (at - 1) < length ? at - 1 : text.size();
    }
    return text.size();
}

Utf8OutputBuffer::Utf8OutputBuffer(HANDLE handle) : m_handle(handle), m_console(IsConsoleHandle(handle)) {}

Utf8OutputBuffer::int_type Utf8OutputBuffer::overflow(int_type c)
{
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char byte = traits_type::to_char_type(c);
    return xsputn(&byte, 1) == 1 ? c : traits_type::eof();
}

std::streamsize Utf8OutputBuffer::xsputn(const char* text, std::streamsize count)
{
    m_unfinished.append(text, static_cast<std::size_t>(count));
    const std::size_t whole = WholeUtf8Length(m_unfinished);
    const bool written = Write(std::string_view(m_unfinished).substr(0, whole));
    m_unfinished.erase(0, whole);
    return written ? count : 0;
}

bool Utf8OutputBuffer::Write(std::string_view complete)
{
    if (complete.empty()) return true;
    if (m_console) return WriteConsoleText(m_handle, WideOf(complete));
    std::string lines;
    lines.reserve(complete.size() + 8);
    for (char c : complete) {
        if (c == '\n') lines += '\r';
        lines += c;
    }
    return WriteBytes(m_handle, lines);
}

Utf8ConsoleInputBuffer::int_type Utf8ConsoleInputBuffer::underflow()
{
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    wchar_t typed[512];
    DWORD count = 0;
    if (!::ReadConsoleW(m_handle, typed, 512, &count, nullptr) || count == 0 || typed[0] == L'\x1a')
        return traits_type::eof();
    m_line.clear();
    for (char c : Utf8Of(std::wstring_view(typed, count))) {
        if (c != '\r') m_line += c;
    }
    if (m_line.empty()) return underflow();
    setg(m_line.data(), m_line.data(), m_line.data() + m_line.size());
    return traits_type::to_int_type(*gptr());
}

std::vector<std::string> ProgramArguments(int argc, char** argv)
{
    int count = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr) return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i) arguments.push_back(Utf8Of(wide[i]));
    ::LocalFree(wide);
    return arguments;
}

bool IsConsole(StandardStream stream) { return IsConsoleHandle(StandardHandle(stream)); }

namespace {

// The console's screen buffer behind an output stream, with what was
// written through its std::ostream already on it.
HANDLE ScreenOf(StandardStream stream, CONSOLE_SCREEN_BUFFER_INFO& info)
{
    if (stream == StandardStream::Input) return nullptr;
    (stream == StandardStream::Output ? std::cout : std::cerr).flush();
    HANDLE handle = StandardHandle(stream);
    return IsConsoleHandle(handle) && ::GetConsoleScreenBufferInfo(handle, &info) ? handle : nullptr;
}

}  // namespace

std::size_t ConsoleWidth(StandardStream stream)
{
    CONSOLE_SCREEN_BUFFER_INFO info {};
    if (ScreenOf(stream, info) == nullptr) return 0;
    return static_cast<std::size_t>(info.srWindow.Right - info.srWindow.Left + 1);
}

void ConsoleCursorUp(StandardStream stream, std::size_t lines)
{
    CONSOLE_SCREEN_BUFFER_INFO info {};
    HANDLE screen = ScreenOf(stream, info);
    if (screen == nullptr) return;
    COORD to {0, static_cast<SHORT>(info.dwCursorPosition.Y > static_cast<SHORT>(lines)
                                        ? info.dwCursorPosition.Y - static_cast<SHORT>(lines)
                                        : 0)};
    ::SetConsoleCursorPosition(screen, to);
}

void ConsoleClearToLineEnd(StandardStream stream)
{
    CONSOLE_SCREEN_BUFFER_INFO info {};
    HANDLE screen = ScreenOf(stream, info);
    if (screen == nullptr || info.dwCursorPosition.X >= info.dwSize.X) return;
    const DWORD rest = static_cast<DWORD>(info.dwSize.X - info.dwCursorPosition.X);
    DWORD done = 0;
    ::FillConsoleOutputCharacterW(screen, L' ', rest, info.dwCursorPosition, &done);
    ::FillConsoleOutputAttribute(screen, info.wAttributes, rest, info.dwCursorPosition, &done);
}

struct Utf8StandardStreams::Buffers {
    Utf8OutputBuffer output{StandardHandle(StandardStream::Output)};
    Utf8OutputBuffer error{StandardHandle(StandardStream::Error)};
    Utf8ConsoleInputBuffer input{StandardHandle(StandardStream::Input)};
    std::streambuf* oldOutput = nullptr;
    std::streambuf* oldError = nullptr;
    std::streambuf* oldInput = nullptr;
};

Utf8StandardStreams::Utf8StandardStreams() : m_buffers(std::make_unique<Buffers>())
{
    std::cout.flush();
    std::cerr.flush();
    m_buffers->oldOutput = std::cout.rdbuf(&m_buffers->output);
    m_buffers->oldError = std::cerr.rdbuf(&m_buffers->error);
    // Input that is not typed (a file, a pipe) is read as it is.
    if (IsConsole(StandardStream::Input)) m_buffers->oldInput = std::cin.rdbuf(&m_buffers->input);
}

Utf8StandardStreams::~Utf8StandardStreams()
{
    std::cout.rdbuf(m_buffers->oldOutput);
    std::cerr.rdbuf(m_buffers->oldError);
    if (m_buffers->oldInput != nullptr) std::cin.rdbuf(m_buffers->oldInput);
}
