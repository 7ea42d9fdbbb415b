#pragma once
// Whole-file reads and crash-safe replacement of small files.

#include <sys/types.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Replaces (or creates) the file so that anyone reading it, also after a
// crash or a power cut at any moment, finds either the old content or the
// new one, never a mix: a temporary file in the same folder is written and
// synced, renamed over the target, and the folder is synced. Where path is a
// symbolic link, the file it points to is replaced and the link kept.
bool WriteFileAtomically(const std::string& path, std::string_view content, mode_t mode = 0644);

enum class ReadFailure { None, Missing, NoPermission, NotRegular, TooLarge, Other };

// The whole content, or nullopt when the file is missing, unreadable, not a
// regular file or larger than maxSize (*why, when given, tells which). A
// FIFO or a device is never waited for.
std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t maxSize,
                                         ReadFailure* why = nullptr);

// Creates the folder and any missing parents; true when it exists afterwards.
bool MakeDirectories(const std::string& path);
