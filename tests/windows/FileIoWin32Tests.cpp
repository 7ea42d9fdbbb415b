// What the file layer must do on Windows beyond what it does everywhere:
// real Win32 handles, names the ANSI code page cannot hold, paths longer
// than the classic limit, devices refused, attributes kept.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "device/FileIo.h"
#include "platform/ProgramPath.h"

namespace {

class Win32Folder {
public:
    Win32Folder()
    {
        wchar_t temp[MAX_PATH + 1] = {};
        ::GetTempPathW(MAX_PATH + 1, temp);
        m_path = std::wstring(temp) + L"mirrex-files-" + std::to_wstring(::GetCurrentProcessId()) + L"-"
                 + std::to_wstring(++s_count);
        ::CreateDirectoryW(m_path.c_str(), nullptr);
    }
    ~Win32Folder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(L"\\\\?\\" + m_path), ignored);
    }
    const std::wstring& Path() const { return m_path; }

private:
    static inline int s_count = 0;
    std::wstring m_path;
};

bool WriteText(const std::filesystem::path& path, FileMode mode, const std::string& text)
{
    File file = OpenFile(path, mode);
    return file.WriteAll(text.data(), text.size()) && file.Finish();
}

std::string ReadText(const std::filesystem::path& path)
{
    File file = OpenFile(path, FileMode::Read);
    std::string text(static_cast<std::size_t>(file.Length() > 0 ? file.Length() : 0), '\0');
    return file.ReadExactly(text.data(), text.size()) ? text : std::string();
}

// The handles are the system's own, and the names the system sees are the
// wide ones the user gave, not a code page's version of them.
TEST(FileIoWin32, FilesAreWin32HandlesUnderTheirUnicodeNames)
{
    Win32Folder folder;
    const std::wstring wideName = L"\u041b\u0438\u043d\u0438\u044f 3.klx41";  // Линия 3.klx41
    const std::filesystem::path path = PathFromUtf8(Utf8FromPath(folder.Path()) + "\\Линия 3.klx41");
    EXPECT_EQ(path.native(), folder.Path() + L"\\" + wideName);

    File file = OpenFile(path, FileMode::CreateNew);
    ASSERT_TRUE(file);
    const auto handle = reinterpret_cast<HANDLE>(file.NativeHandle());
    EXPECT_EQ(::GetFileType(handle), DWORD{FILE_TYPE_DISK});
    BY_HANDLE_FILE_INFORMATION information{};
    EXPECT_TRUE(::GetFileInformationByHandle(handle, &information));
    ASSERT_TRUE(file.WriteAll("x", 1));
    ASSERT_TRUE(file.Finish());

    WIN32_FIND_DATAW found{};
    HANDLE search = ::FindFirstFileW((folder.Path() + L"\\*.klx41").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    ::FindClose(search);
    EXPECT_EQ(std::wstring(found.cFileName), wideName);
}

// Devices answer opens as files do; a configuration read from NUL or
// written to CON would be made up or lost.
TEST(FileIoWin32, DevicesAreNoFiles)
{
    for (const char* device : {"NUL", "CON", "\\\\.\\NUL", "CONOUT$"}) {
        EXPECT_FALSE(OpenFile(PathFromUtf8(device), FileMode::Read)) << device;
        EXPECT_FALSE(OpenFile(PathFromUtf8(device), FileMode::Create)) << device;
    }
}

TEST(FileIoWin32, PathsLongerThanTheClassicLimitWork)
{
    Win32Folder folder;
    std::wstring deep = folder.Path();
    while (deep.size() < 400) {
        deep += L"\\\u041d\u0430\u043b\u0430\u0434\u043a\u0430-0123456789";  // Наладка-0123456789
        ASSERT_TRUE(::CreateDirectoryW((L"\\\\?\\" + deep).c_str(), nullptr));
    }
    const std::filesystem::path target(deep + L"\\device.klx41");
    std::filesystem::path finished = target;
    finished += ".~tmp";
    ASSERT_FALSE(FileExists(target));
    ASSERT_TRUE(WriteText(target, FileMode::Create, "old"));
    ASSERT_TRUE(WriteText(finished, FileMode::CreateNew, "new"));
    ASSERT_TRUE(MoveIntoPlace(finished, target));
    EXPECT_TRUE(FileExists(target));
    EXPECT_FALSE(FileExists(finished));
    EXPECT_EQ(ReadText(target), "new");
    RemoveFile(target);
    EXPECT_FALSE(FileExists(target));
}

// A hidden target stays hidden when a save replaces it; a read-only one is
// not replaced at all.
TEST(FileIoWin32, ReplacingKeepsTheTargetsAttributes)
{
    Win32Folder folder;
    const std::filesystem::path target(folder.Path() + L"\\device.klx41");
    const std::filesystem::path finished(folder.Path() + L"\\device.klx41.~tmp");
    ASSERT_TRUE(WriteText(target, FileMode::Create, "old"));
    ASSERT_TRUE(::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    ASSERT_TRUE(WriteText(finished, FileMode::CreateNew, "new"));
    ASSERT_TRUE(MoveIntoPlace(finished, target));
    EXPECT_EQ(ReadText(target), "new");
    EXPECT_NE(::GetFileAttributesW(target.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0U);

    ASSERT_TRUE(::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(WriteText(finished, FileMode::CreateNew, "newer"));
    EXPECT_FALSE(MoveIntoPlace(finished, target));
    EXPECT_EQ(ReadText(target), "new");
    ::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(FileIoWin32, TheStateFolderIsTheUsersLocalApplicationData)
{
    const std::string folder = UserStateDir();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), '\\');
    const DWORD attributes = ::GetFileAttributesW(PathFromUtf8(folder).c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(attributes & FILE_ATTRIBUTE_DIRECTORY, 0U);
}

}  // namespace
