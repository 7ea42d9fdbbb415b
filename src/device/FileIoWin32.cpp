// The file layer on the wide-character Win32 API.
#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>

#include "device/FileIo.h"
#include "platform/win32/WideText.h"

namespace {

HANDLE HandleOf(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// Longer paths than the classic limit only work in the extended-length
// form, which takes a full path with backslashes and nothing left to
// resolve; GetFullPathNameW makes it so. Short paths stay as they are, with
// the usual meaning of reserved names and trailing dots.
std::wstring SystemPathOf(const std::filesystem::path& path)
{
    const std::wstring& given = path.native();
    // CreateDirectoryW's limit, the lowest of the calls used here.
    constexpr std::size_t kClassicLimit = MAX_PATH - 12;
    if (given.size() < kClassicLimit) return given;
    DWORD needed = ::GetFullPathNameW(given.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return given;
    std::wstring full(needed, L'\0');
    DWORD length = ::GetFullPathNameW(given.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) return given;
    full.resize(length);
    if (full.rfind(L"\\\\?\\", 0) == 0 || full.rfind(L"\\\\.\\", 0) == 0) return full;
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

struct OpenParameters {
    DWORD access;
    DWORD sharing;
    DWORD disposition;
    DWORD flags = FILE_ATTRIBUTE_NORMAL;
};

OpenParameters ParametersOf(FileMode mode)
{
    constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    switch (mode) {
    case FileMode::Read: return {GENERIC_READ, kShareAll, OPEN_EXISTING};
    case FileMode::Update: return {GENERIC_READ | GENERIC_WRITE, kShareAll, OPEN_EXISTING};
    case FileMode::Create: return {GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS};
    case FileMode::CreateNew: return {GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW};
    // Append access alone, without the right to write elsewhere, is what
    // makes every write go to the end of the file as it is at that moment.
    // Without the write right the file's buffers cannot be flushed either:
    // each write goes through to the disk instead.
    case FileMode::Append:
        return {FILE_APPEND_DATA | SYNCHRONIZE, kShareAll, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH};
    }
    return {GENERIC_READ, kShareAll, OPEN_EXISTING};
}

// The system's own words for an error, in the language of its messages.
std::string SystemText(DWORD code)
{
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
        reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message(text != nullptr ? text : L"", length);
    ::LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' '))
        message.pop_back();
    return message.empty() ? "Windows error " + std::to_string(code) : Utf8Of(message);
}

FileErrorKind KindOf(DWORD code)
{
    switch (code) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return FileErrorKind::NoPermission;
    case ERROR_WRITE_PROTECT: return FileErrorKind::ReadOnlyDisk;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return FileErrorKind::DiskFull;
    case ERROR_FILENAME_EXCED_RANGE: return FileErrorKind::NameTooLong;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return FileErrorKind::NotFound;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return FileErrorKind::Exists;
    default: return FileErrorKind::Other;
    }
}

FileError ErrorOf(DWORD code) { return {KindOf(code), SystemText(code)}; }

// What a single ReadFile or WriteFile is given at most.
constexpr std::size_t kLargestPiece = 1u << 30;

}  // namespace

bool File::Close()
{
    if (!IsOpen()) return true;
    return ::CloseHandle(HandleOf(std::exchange(m_handle, kClosed))) != FALSE;
}

int64_t File::Length() const
{
    LARGE_INTEGER size{};
    if (!IsOpen() || !::GetFileSizeEx(HandleOf(m_handle), &size)) return -1;
    return size.QuadPart;
}

bool File::SeekTo(int64_t offset)
{
    LARGE_INTEGER to{};
    to.QuadPart = offset;
    return IsOpen() && offset >= 0 && ::SetFilePointerEx(HandleOf(m_handle), to, nullptr, FILE_BEGIN);
}

bool File::SeekToEnd()
{
    return IsOpen() && ::SetFilePointerEx(HandleOf(m_handle), LARGE_INTEGER{}, nullptr, FILE_END);
}

int64_t File::ReadSome(void* into, std::size_t count)
{
    DWORD got = 0;
    const auto piece = static_cast<DWORD>(std::min(count, kLargestPiece));
    if (!IsOpen() || !::ReadFile(HandleOf(m_handle), into, piece, &got, nullptr)) return -1;
    return got;
}

bool File::WriteAll(const void* bytes, std::size_t count)
{
    if (!IsOpen()) return false;
    const auto* at = static_cast<const char*>(bytes);
    while (count > 0) {
        DWORD written = 0;
        const auto piece = static_cast<DWORD>(std::min(count, kLargestPiece));
        if (!::WriteFile(HandleOf(m_handle), at, piece, &written, nullptr) || written == 0) return false;
        at += written;
        count -= written;
    }
    return true;
}

int64_t File::WriteOnce(const void* bytes, std::size_t count)
{
    DWORD written = 0;
    if (!IsOpen() || count > kLargestPiece) return -1;
    if (!::WriteFile(HandleOf(m_handle), bytes, static_cast<DWORD>(count), &written, nullptr) && written == 0) return -1;
    return written;
}

bool File::WriteInOnePiece(const void* bytes, std::size_t count)
{
    return WriteOnce(bytes, count) == static_cast<int64_t>(count);
}

bool File::TruncateTo(int64_t length)
{
    LARGE_INTEGER at{};
    at.QuadPart = length;
    return IsOpen() && !m_appending && ::SetFilePointerEx(HandleOf(m_handle), at, nullptr, FILE_BEGIN)
           && ::SetEndOfFile(HandleOf(m_handle));
}

// A file opened for appending has written through already (and could not
// be flushed, having no write right).
bool File::Sync() { return IsOpen() && (m_appending || ::FlushFileBuffers(HandleOf(m_handle))); }

bool File::Finish()
{
    bool flushed = IsOpen() && ::FlushFileBuffers(HandleOf(m_handle));
    return Close() && flushed;
}

File OpenFile(const std::filesystem::path& path, FileMode mode, FileError* error)
{
    const OpenParameters how = ParametersOf(mode);
    HANDLE handle = ::CreateFileW(SystemPathOf(path).c_str(), how.access, how.sharing, nullptr, how.disposition,
                                  how.flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        if (error != nullptr) *error = ErrorOf(::GetLastError());
        return File();
    }
    File file(reinterpret_cast<intptr_t>(handle));
    file.m_appending = mode == FileMode::Append;
    // Opening a pipe or a device does not wait; what it gives is refused
    // unless it is a file on a disk.
    if (::GetFileType(handle) != FILE_TYPE_DISK) {
        if (error != nullptr) *error = {FileErrorKind::NotAFile, SystemText(ERROR_BAD_FILE_TYPE)};
        return File();
    }
    return file;
}

bool FileExists(const std::filesystem::path& path)
{
    return ::GetFileAttributesW(SystemPathOf(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool MoveIntoPlace(const std::filesystem::path& finished, const std::filesystem::path& target)
{
    const std::wstring from = SystemPathOf(finished);
    const std::wstring to = SystemPathOf(target);
    // The attributes a user may have given the file. A read-only file is not
    // replaced, as it could not be written in place (Windows refuses it too,
    // but not every emulation of it does).
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE
                            | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    const DWORD old = ::GetFileAttributesW(to.c_str());
    if (old != INVALID_FILE_ATTRIBUTES && (old & FILE_ATTRIBUTE_READONLY) != 0) return false;
    if (old != INVALID_FILE_ATTRIBUTES && (old & kKept) != 0
        && !::SetFileAttributesW(from.c_str(), old & kKept))
        return false;
    return ::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool MoveToNewName(const std::filesystem::path& finished, const std::filesystem::path& target, FileError* error)
{
    // Without MOVEFILE_REPLACE_EXISTING a name that is taken is refused.
    if (::MoveFileExW(SystemPathOf(finished).c_str(), SystemPathOf(target).c_str(), MOVEFILE_WRITE_THROUGH)) return true;
    if (error != nullptr) *error = ErrorOf(::GetLastError());
    return false;
}

void RemoveFile(const std::filesystem::path& path) { ::DeleteFileW(SystemPathOf(path).c_str()); }
