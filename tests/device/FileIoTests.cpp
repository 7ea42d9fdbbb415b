// The file layer, on the system it was built for.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "DeviceTestKit.h"
#include "device/FileIo.h"

namespace {

std::vector<uint8_t> Pattern(std::size_t size)
{
    std::vector<uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 13 + i / 251);
    return bytes;
}

bool Store(const std::filesystem::path& path, FileMode mode, const std::vector<uint8_t>& bytes)
{
    File file = OpenFile(path, mode);
    return file.WriteAll(bytes.data(), bytes.size()) && file.Finish();
}

class FileLayer : public testing::Test {
protected:
    std::filesystem::path Path(const char* utf8Name) const { return folder.Path() / PathFromUtf8(utf8Name); }
    TempFolder folder;
};

TEST_F(FileLayer, EachModeCreatesTruncatesOrKeepsAsItSays)
{
    const auto path = Path("area.dat");
    EXPECT_FALSE(OpenFile(path, FileMode::Read));
    EXPECT_FALSE(OpenFile(path, FileMode::Update));
    EXPECT_FALSE(FileExists(path));

    ASSERT_TRUE(Store(path, FileMode::CreateNew, {1, 2, 3}));
    EXPECT_TRUE(FileExists(path));
    // The name is taken now: creating it anew fails and changes nothing.
    EXPECT_FALSE(OpenFile(path, FileMode::CreateNew));
    EXPECT_EQ(FileBytes(path), (std::vector<uint8_t>{1, 2, 3}));

    File update = OpenFile(path, FileMode::Update);
    ASSERT_TRUE(update);
    EXPECT_EQ(update.Length(), 3);
    ASSERT_TRUE(update.SeekToEnd());
    ASSERT_TRUE(update.WriteAll("\x04", 1));
    ASSERT_TRUE(update.Finish());
    EXPECT_EQ(FileBytes(path), (std::vector<uint8_t>{1, 2, 3, 4}));

    ASSERT_TRUE(Store(path, FileMode::Create, {9}));
    EXPECT_EQ(FileBytes(path), std::vector<uint8_t>{9});

    // A folder is no file to write.
    EXPECT_FALSE(OpenFile(folder.Path(), FileMode::Create));
    EXPECT_FALSE(OpenFile(folder.Path(), FileMode::Update));
    EXPECT_TRUE(FileExists(folder.Path()));

    RemoveFile(path);
    EXPECT_FALSE(FileExists(path));
    RemoveFile(path);  // already gone: nothing happens
}

// A report shared by several programs: each line lands at the end as it is
// then, never over what another handle appended meanwhile, and nothing
// there before is truncated.
TEST_F(FileLayer, AppendingHandlesAddAtTheEndAsItIsThen)
{
    const auto path = Path("отчёт.jsonl");
    ASSERT_TRUE(Store(path, FileMode::Create, {'0', '\n'}));
    File first = OpenFile(path, FileMode::Append);
    File second = OpenFile(path, FileMode::Append);
    ASSERT_TRUE(first && second);
    EXPECT_TRUE(first.WriteInOnePiece("a1\n", 3) && first.Sync());
    EXPECT_TRUE(second.WriteInOnePiece("b1\n", 3) && second.Sync());
    EXPECT_TRUE(first.WriteInOnePiece("a2\n", 3) && first.Sync());
    first = File();
    second = File();
    const std::vector<uint8_t> expected{'0', '\n', 'a', '1', '\n', 'b', '1', '\n', 'a', '2', '\n'};
    EXPECT_EQ(FileBytes(path), expected);

    FileError error;
    EXPECT_FALSE(OpenFile(folder.Path(), FileMode::Append, &error));
    EXPECT_TRUE(error.kind == FileErrorKind::NotAFile || error.kind == FileErrorKind::NoPermission);
    EXPECT_TRUE(OpenFile(Path("new.jsonl"), FileMode::Append));
    EXPECT_TRUE(FileExists(Path("new.jsonl")));
}

TEST_F(FileLayer, ReadsAndSeeksKeepTheirPlace)
{
    const auto path = Path("image.klx41");
    const std::vector<uint8_t> bytes = Pattern(3 * 1024 * 1024 + 17);
    ASSERT_TRUE(Store(path, FileMode::Create, bytes));

    File file = OpenFile(path, FileMode::Read);
    ASSERT_EQ(file.Length(), static_cast<int64_t>(bytes.size()));
    uint8_t first[5] = {};
    ASSERT_TRUE(file.ReadExactly(first, sizeof first));
    // Asking the length does not move the position.
    ASSERT_EQ(file.Length(), static_cast<int64_t>(bytes.size()));
    uint8_t next = 0;
    ASSERT_TRUE(file.ReadExactly(&next, 1));
    EXPECT_EQ(next, bytes[5]);

    std::vector<uint8_t> tail(212);
    ASSERT_TRUE(file.SeekTo(static_cast<int64_t>(bytes.size() - tail.size())));
    ASSERT_TRUE(file.ReadExactly(tail.data(), tail.size()));
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), bytes.end() - 212));
    EXPECT_EQ(file.ReadSome(&next, 1), 0);
    EXPECT_FALSE(file.ReadExactly(&next, 1));
    ASSERT_TRUE(file.SeekTo(0));
    EXPECT_FALSE(file.ReadExactly(std::vector<uint8_t>(bytes.size() + 1).data(), bytes.size() + 1));

    // A closed file fails everything quietly.
    File closed;
    EXPECT_EQ(closed.Length(), -1);
    EXPECT_FALSE(closed.SeekTo(0));
    EXPECT_EQ(closed.ReadSome(&next, 1), -1);
    EXPECT_FALSE(closed.WriteAll(&next, 1));
    EXPECT_FALSE(closed.Finish());
}

TEST_F(FileLayer, AFinishedFileTakesTheTargetsPlaceOrNothingChanges)
{
    const auto target = Path("device.klx41");
    const auto finished = Path("device.klx41.~tmp");
    ASSERT_TRUE(Store(finished, FileMode::CreateNew, {1, 1}));
    ASSERT_TRUE(MoveIntoPlace(finished, target));
    EXPECT_EQ(FileBytes(target), (std::vector<uint8_t>{1, 1}));
    EXPECT_FALSE(FileExists(finished));

    ASSERT_TRUE(Store(finished, FileMode::CreateNew, {2, 2, 2}));
    ASSERT_TRUE(MoveIntoPlace(finished, target));
    EXPECT_EQ(FileBytes(target), (std::vector<uint8_t>{2, 2, 2}));

    // Nothing to put in place: the target stays as it was.
    EXPECT_FALSE(MoveIntoPlace(finished, target));
    EXPECT_EQ(FileBytes(target), (std::vector<uint8_t>{2, 2, 2}));
}

// The names a Russian user gives folders and files are the names on the
// disk, and come back as the same text.
TEST_F(FileLayer, CyrillicNamesAreKeptAsTheyAreWritten)
{
    const auto configurations = Path("Конфигурации Қарағанды");
    ASSERT_TRUE(std::filesystem::create_directory(configurations));
    const auto file = configurations / PathFromUtf8("Линия 3.klx41");
    ASSERT_TRUE(Store(file, FileMode::CreateNew, {7}));
    EXPECT_EQ(FileBytes(PathFromUtf8(Utf8FromPath(file))), std::vector<uint8_t>{7});

    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.Path()))
        names.push_back(Utf8FromPath(entry.path().lexically_relative(folder.Path())));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Конфигурации Қарағанды", Utf8FromPath(PathFromUtf8("Конфигурации Қарағанды") / PathFromUtf8("Линия 3.klx41"))}));
}

}  // namespace
