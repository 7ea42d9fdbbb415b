#pragma once
// The file layer of the jobs, the configuration file operations and the
// front ends: opening, reading, writing, forcing to the disk, putting a
// finished file in place of another and removing, on the system's own
// calls — POSIX on Linux (FileIoPosix.cpp), the wide-character Win32 API
// on Windows (FileIoWin32.cpp) — so that nothing depends on what one C runtime
// accepts and another refuses. Every error after opening is reported: a full
// disk must never look like a success.
//
// Paths made from the program's UTF-8 texts come from PathFromUtf8 and are
// shown with Utf8FromPath (platform/Utf8Path.h). On Windows a path of any
// length works (long ones are passed in their extended-length form), and
// "CON", "NUL", "\\.\COM1" and pipes are refused like FIFOs and devices
// on Linux, as they would otherwise swallow or make up a configuration.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/Utf8Path.h"

enum class FileMode {
    Read,       // an existing file, for reading
    Update,     // an existing file, for reading and writing; nothing is truncated
    Create,     // for writing; created, or truncated when it exists
    CreateNew,  // for writing; fails when the name exists already
    // For writing at the end: created when missing, never truncated, and
    // every write lands at the end as it is then, also while other
    // programs append to the same file.
    Append,
};

// Why a file could not be opened, in the terms the user is told.
enum class FileErrorKind {
    NoPermission,  // access denied (or, on Windows, the file is in use)
    ReadOnlyDisk,
    DiskFull,
    NameTooLong,
    NotFound,      // the file or a folder on its way is missing
    Exists,        // CreateNew, and the name is taken
    NotAFile,      // a folder, a FIFO, a socket, a device
    Other,
};
struct FileError {
    FileErrorKind kind = FileErrorKind::Other;
    std::string systemText;  // the system's own words for it (UTF-8)
};

// One open file; closed when it goes. Others may read a file while it is
// open, and read or write one that is open for reading only.
class File {
public:
    File() = default;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File();

    bool IsOpen() const { return m_handle != kClosed; }
    explicit operator bool() const { return IsOpen(); }

    // The whole length, or -1; the position does not move.
    int64_t Length() const;
    // To an offset from the start.
    bool SeekTo(int64_t offset);
    bool SeekToEnd();
    // Up to count bytes: how many were read (0 at the end), or -1.
    int64_t ReadSome(void* into, std::size_t count);
    bool ReadExactly(void* into, std::size_t count);
    bool WriteAll(const void* bytes, std::size_t count);
    // The bytes in one system call, false unless all of them were written:
    // on a file opened with FileMode::Append they land together at its end,
    // never mixed with what another program appends at the same moment (on
    // a local disk).
    bool WriteInOnePiece(const void* bytes, std::size_t count);
    // One system call: how many bytes it wrote (a full disk may take part
    // of them), or -1.
    int64_t WriteOnce(const void* bytes, std::size_t count);
    // Cuts the file to length. False where the handle may not (on Windows
    // one opened for appending, whose writes can only add).
    bool TruncateTo(int64_t length);
    // Forces what was written to the disk; the file stays open.
    bool Sync();
    // Forces what was written to the disk and closes; false when any of it
    // failed, which is where a full disk usually shows.
    bool Finish();

    // The system's handle (a file descriptor, or a Win32 HANDLE).
    intptr_t NativeHandle() const { return m_handle; }

private:
    friend File OpenFile(const std::filesystem::path& path, FileMode mode, FileError* error);
    static constexpr intptr_t kClosed = -1;  // also INVALID_HANDLE_VALUE
    explicit File(intptr_t handle) : m_handle(handle) {}
    bool Close();

    intptr_t m_handle = kClosed;
    bool m_appending = false;  // opened with FileMode::Append
};

// A closed File when it cannot be opened, with the reason in *error when
// one is given. Only regular files are opened (on Windows, files on a
// disk), and never by waiting: a FIFO, a device, a socket or a folder in
// the name's place is refused like a file that cannot be opened.
File OpenFile(const std::filesystem::path& path, FileMode mode, FileError* error = nullptr);
// True when something (a file or a folder) has this name; a link counts
// when what it points to exists.
bool FileExists(const std::filesystem::path& path);
// Puts a finished file (written and forced to the disk, closed) in the
// place of target in one step, so that target is the old file or the new
// one and never a mix, also after a power cut; a target that exists keeps
// its permissions (Linux) or its hidden, system and archive attributes
// (Windows). The finished file must be in the target's folder. False, with
// the target untouched, when it cannot be done (a read-only target
// included).
bool MoveIntoPlace(const std::filesystem::path& finished, const std::filesystem::path& target);
// Gives a finished file (written, forced to the disk, closed) the name
// target in one step, never replacing what has that name: false, with
// *error Exists, when the name is taken, so that two programs choosing one
// name at once each keep their own file. The finished file must be in the
// target's folder.
bool MoveToNewName(const std::filesystem::path& finished, const std::filesystem::path& target,
                   FileError* error = nullptr);
// Removes the file if it exists; errors are ignored.
void RemoveFile(const std::filesystem::path& path);
