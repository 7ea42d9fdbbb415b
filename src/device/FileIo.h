#pragma once
// The few file operations the jobs and the configuration file need, with
// every error after opening reported (a full disk must never look like a
// success).

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// fopen with a path of any encoding; null on failure.
FilePtr OpenFile(const std::filesystem::path& path, const char* mode);
// An existing regular file, opened for reading ("rb") or for reading and
// writing ("r+b") without ever waiting on it: a FIFO, a device, a socket or
// a folder in its place is refused like a file that cannot be opened (a
// FIFO nobody writes into would block a plain open for ever). Null on
// failure.
FilePtr OpenRegularFile(const std::filesystem::path& path, const char* mode);
// The file's whole length, or -1.
int64_t FileLength(std::FILE* file);
bool SeekTo(std::FILE* file, int64_t offset);
bool ReadExactly(std::FILE* file, void* into, std::size_t count);
bool WriteAll(std::FILE* file, const void* bytes, std::size_t count);
// Appends the whole of source to target, in pieces (memory stays bounded).
// *copied receives the number of bytes appended.
bool AppendFile(std::FILE* target, std::FILE* source, uint64_t* copied);
// Flushes, forces the data to the disk and closes; false when any of it
// failed, which is where a full disk usually shows.
bool FinishFile(FilePtr file);
// Removes the file if it exists; errors are ignored.
void RemoveFile(const std::filesystem::path& path);
// The path as the user reads it (UTF-8).
std::string PathText(const std::filesystem::path& path);
