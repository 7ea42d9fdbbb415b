// The standard streams' buffers when the output goes to a file or a pipe:
// UTF-8 bytes, Windows line ends, characters never cut in two.
#include <gtest/gtest.h>

#include <windows.h>

#include <ostream>
#include <string>

#include "platform/win32/ConsoleStreams.h"
#include "platform/win32/UniqueHandle.h"

namespace {

class Pipe {
public:
    Pipe()
    {
        HANDLE read = nullptr;
        HANDLE write = nullptr;
        ::CreatePipe(&read, &write, nullptr, 1 << 16);
        m_read.Reset(read);
        m_write.Reset(write);
    }
    HANDLE WriteEnd() const { return m_write.Get(); }
    // Everything written so far (the pipe holds more than any test writes).
    std::string Drain()
    {
        std::string all;
        DWORD available = 0;
        while (::PeekNamedPipe(m_read.Get(), nullptr, 0, nullptr, &available, nullptr) && available > 0) {
            std::string piece(available, '\0');
            DWORD got = 0;
            if (!::ReadFile(m_read.Get(), piece.data(), available, &got, nullptr)) break;
            all.append(piece, 0, got);
        }
        return all;
    }

private:
    UniqueHandle m_read;
    UniqueHandle m_write;
};

TEST(ConsoleStreams, RedirectedOutputIsUtf8WithWindowsLineEnds)
{
    Pipe pipe;
    Utf8OutputBuffer buffer(pipe.WriteEnd());
    std::ostream out(&buffer);
    out << "Конфигурация из прибора успешно сохранена в файл. \n" << 42 << '\n';
    out.flush();
    EXPECT_EQ(pipe.Drain(), "Конфигурация из прибора успешно сохранена в файл. \r\n42\r\n");
}

// Written a byte at a time (as formatted output may come), each character
// still leaves whole, and nothing is held back once it is complete.
TEST(ConsoleStreams, CharactersCutBetweenWritesLeaveWhole)
{
    Pipe pipe;
    Utf8OutputBuffer buffer(pipe.WriteEnd());
    const std::string text = "Ж€😀 ok";
    // Where characters of two, three and four bytes end.
    const std::size_t ends[] = {2, 5, 9, 10, 11, 12};
    std::string received;
    for (std::size_t sent = 1; sent <= text.size(); ++sent) {
        buffer.sputc(text[sent - 1]);
        received += pipe.Drain();
        std::size_t whole = 0;
        for (std::size_t end : ends) whole = end <= sent ? end : whole;
        EXPECT_EQ(received, text.substr(0, whole)) << sent;
    }
    EXPECT_EQ(WholeUtf8Length(""), 0U);
    EXPECT_EQ(WholeUtf8Length("ab"), 2U);
    EXPECT_EQ(WholeUtf8Length("a\xD0"), 1U);
    EXPECT_EQ(WholeUtf8Length("a\xD0\x96"), 3U);
    EXPECT_EQ(WholeUtf8Length("\xF0\x9F\x98"), 0U);
    EXPECT_EQ(WholeUtf8Length("\xF0\x9F\x98\x80"), 4U);
    // Bytes that can never become a character are not held back.
    EXPECT_EQ(WholeUtf8Length("\x80\x80\x80\x80\x80"), 5U);
}

}  // namespace
