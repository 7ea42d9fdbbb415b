#pragma once
// The SHA-256 that names a configuration file's content.

#include <filesystem>
#include <optional>
#include <string>

// In hexadecimal, read in pieces; nullopt when the file cannot be read.
std::optional<std::string> FileSha256(const std::filesystem::path& path);
