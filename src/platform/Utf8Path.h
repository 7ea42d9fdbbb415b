#pragma once
// Paths and the UTF-8 texts the program keeps everywhere else (the command
// line, the stored choices, the file dialogs, the messages).
//
// Every path that comes from a text goes through PathFromUtf8, and every
// path a user reads goes through PathToUtf8. Never construct a
// std::filesystem::path from a std::string, nor call path::string(): on
// Windows both go through the ANSI code page, which turns
// "Конфигурации\Линия 3.klx41" into another name or into question marks.
// On Linux a path is its bytes and both helpers keep them as they are.

#include <filesystem>
#include <string>
#include <string_view>

std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string PathToUtf8(const std::filesystem::path& path);
