#pragma once
// Paths and the UTF-8 texts the program keeps everywhere else (the command
// line, the stored choices, the file dialogs, the messages).
//
// Every path that comes from a text goes through PathFromUtf8, and every
// path a user reads goes through Utf8FromPath. Never construct a
// std::filesystem::path from a std::string, nor call path::string(): on
// Windows both go through the ANSI code page, which turns
// "Конфигурации\Линия 3.klx41" into another name or into question marks.
// On Linux a path is its bytes and both helpers keep them as they are.
// Neither throws, whatever the text or the name holds (malformed UTF-8, or
// a lone surrogate in a Windows name, becomes U+FFFD).

#include <filesystem>
#include <string>
#include <string_view>

std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string Utf8FromPath(const std::filesystem::path& path);
