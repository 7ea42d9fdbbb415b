#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "platform/AtomicFile.h"
#include "platform/FileKeyStore.h"
#include "platform/KeyFileFormat.h"
#include "platform/TempDir.h"

namespace {

enum class FileLimit { Kills, Fails };

// Runs body in a child process whose files may not grow past 20 bytes: the
// limit either kills it in the middle of a write (a crash at the worst
// moment) or makes the write fail with EFBIG. The child's wait status.
template <typename Body>
int InChildWithTinyFileLimit(FileLimit limit, Body body)
{
    const pid_t child = ::fork();
    if (child == 0) {
        const rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        ::signal(SIGXFSZ, limit == FileLimit::Kills ? SIG_DFL : SIG_IGN);
        const rlimit small{20, 20};
        ::setrlimit(RLIMIT_FSIZE, &small);
        ::_exit(body());
    }
    int status = -1;
    if (child < 0 || ::waitpid(child, &status, 0) != child) return -1;
    return status;
}

void WriteText(const std::string& path, const std::string& text)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class KeyStoreTest : public testing::Test {
protected:
    std::string KeyFile() const { return m_root / "Tolvar/Mirrex"; }

    TempDir m_root;
    FileKeyStore m_store{m_root.Path()};
};

TEST_F(KeyStoreTest, KeyPathMapsBelowTheRootWithoutSoftware)
{
    EXPECT_EQ(m_store.FileOfKey(kMirrexKey), KeyFile());
    // Nothing may lead out of the root folder.
    EXPECT_EQ(m_store.FileOfKey("Software\\..\\..\\etc"), "");
    EXPECT_EQ(m_store.FileOfKey("Software\\Tolvar\\a/b"), "");
    EXPECT_EQ(m_store.FileOfKey("Software\\\\Mirrex"), "");
}

TEST_F(KeyStoreTest, MissingKeyIsNeitherReadNorWrittenUntilCreated)
{
    EXPECT_FALSE(m_store.KeyExists(kMirrexKey));
    EXPECT_FALSE(m_store.ReadDword(kMirrexKey, "baud_rate"));
    EXPECT_FALSE(m_store.WriteDword(kMirrexKey, "baud_rate", 9600));
    EXPECT_FALSE(std::filesystem::exists(KeyFile()));

    ASSERT_TRUE(m_store.CreateKey(kMirrexKey));
    EXPECT_TRUE(m_store.KeyExists(kMirrexKey));
    EXPECT_FALSE(m_store.ReadDword(kMirrexKey, "baud_rate"));
    EXPECT_TRUE(m_store.CreateKey(kMirrexKey));  // existing key, values kept
}

TEST_F(KeyStoreTest, ValuesSurviveTheRoundTripWithTheirTypes)
{
    ASSERT_TRUE(m_store.CreateKey(kMirrexKey));
    const std::string awkward = "C:\\line 3\n\r\t\x7f=\\x41 конфигурация.klx41";
    EXPECT_TRUE(m_store.WriteDword(kMirrexKey, "baud_rate", 4294967295U));
    EXPECT_TRUE(m_store.WriteString(kMirrexKey, "PAGE4_SaveToFile_Path_P4", awkward));
    EXPECT_TRUE(m_store.WriteString(kMirrexKey, "empty", ""));
    EXPECT_TRUE(m_store.WriteString(kMirrexKey, "odd name\\ here", "x"));
    EXPECT_TRUE(m_store.WriteDword(kMirrexKey, "baud_rate", 9600));  // replaced, not added

    FileKeyStore reopened(m_root.Path());
    EXPECT_EQ(reopened.ReadDword(kMirrexKey, "baud_rate"), 9600U);
    EXPECT_EQ(reopened.ReadString(kMirrexKey, "PAGE4_SaveToFile_Path_P4"), awkward);
    EXPECT_EQ(reopened.ReadString(kMirrexKey, "empty"), "");
    EXPECT_EQ(reopened.ReadString(kMirrexKey, "odd name\\ here"), "x");
    // A value of the other type reads as missing, as the registry's typed reads do.
    EXPECT_FALSE(reopened.ReadString(kMirrexKey, "baud_rate"));
    EXPECT_FALSE(reopened.ReadDword(kMirrexKey, "empty"));
}

TEST_F(KeyStoreTest, DamagedOrForeignFilesCountAsMissingAndAreKeptAside)
{
    const std::string samples[] = {
        "",
        "[Settings]\nbaud_rate=9600\n",
        "mirrex-key 1\ndword baud_rate 9600",          // cut short
        "mirrex-key 1\ndword baud_rate 99999999999\n",  // out of range
        "mirrex-key 1\ndword baud_rate -1\n",
        "mirrex-key 1\nstring a \\q\n",
        "mirrex-key 1\nstring a b c\n",
        "mirrex-key 1\nfloat a 1\n",
        std::string("mirrex-key 1\nstring a \0\n", 25),
    };
    for (const auto& sample : samples) {
        SCOPED_TRACE(sample);
        WriteText(KeyFile(), sample);
        EXPECT_FALSE(m_store.KeyExists(kMirrexKey));
        EXPECT_FALSE(m_store.ReadDword(kMirrexKey, "baud_rate"));
        EXPECT_FALSE(m_store.WriteDword(kMirrexKey, "baud_rate", 1));

        ASSERT_TRUE(m_store.CreateKey(kMirrexKey));
        EXPECT_TRUE(m_store.KeyExists(kMirrexKey));
        EXPECT_EQ(ReadWholeFile(KeyFile() + ".bad", 1000), sample);
    }
}

TEST_F(KeyStoreTest, AFolderInTheKeysPlaceIsLeftAlone)
{
    ASSERT_TRUE(m_store.CreateKey(kMirrexKey));
    EXPECT_FALSE(m_store.CreateKey("Software\\Tolvar"));
    EXPECT_TRUE(m_store.KeyExists(kMirrexKey));
}

TEST_F(KeyStoreTest, CrashWhileWritingLeavesTheOldFileIntact)
{
    ASSERT_TRUE(m_store.CreateKey(kMirrexKey));
    ASSERT_TRUE(m_store.WriteDword(kMirrexKey, "baud_rate", 9600));
    const auto before = ReadWholeFile(KeyFile(), 1000);

    // The child is killed by the file size limit in the middle of writing
    // the new content, after the temporary file was created and before the
    // rename: a crash at the worst moment.
    const int status = InChildWithTinyFileLimit(FileLimit::Kills, [&] {
        FileKeyStore store(m_root.Path());
        store.WriteString(kMirrexKey, "PAGE4_SaveToFile_Path_P4", std::string(200, 'x'));
        return 0;
    });
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGXFSZ);

    EXPECT_EQ(ReadWholeFile(KeyFile(), 1000), before);
    EXPECT_EQ(m_store.ReadDword(kMirrexKey, "baud_rate"), 9600U);
    // The next write succeeds beside the left-over temporary file.
    EXPECT_TRUE(m_store.WriteDword(kMirrexKey, "com", 3));
    EXPECT_EQ(m_store.ReadDword(kMirrexKey, "com"), 3U);
}

TEST_F(KeyStoreTest, FailedWriteChangesNothingAndLeavesNoTemporaryFile)
{
    ASSERT_TRUE(m_store.CreateKey(kMirrexKey));
    ASSERT_TRUE(m_store.WriteDword(kMirrexKey, "baud_rate", 9600));
    const auto before = ReadWholeFile(KeyFile(), 1000);

    const int status = InChildWithTinyFileLimit(FileLimit::Fails, [&] {
        FileKeyStore store(m_root.Path());
        return store.WriteString(kMirrexKey, "x", std::string(200, 'x')) ? 1 : 0;
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the failed write reported success";
    EXPECT_EQ(ReadWholeFile(KeyFile(), 1000), before);
    EXPECT_EQ(FilesIn(m_root / "Tolvar"), std::vector<std::string>{"Mirrex"});
}

TEST(UserKeyStoreTest, LivesUnderTheConfigFolder)
{
    ScopedUserFolders folders;
    auto store = MakeUserKeyStore();
    ASSERT_TRUE(store->CreateKey(kMirrexKey));
    EXPECT_TRUE(std::filesystem::exists(folders.ConfigDir() + "/Tolvar/Mirrex"));
}

}  // namespace

namespace {

// Two programs changing different values of the same key at once: every
// change of both must be there at the end.
TEST_F(KeyStoreTest, ConcurrentWritersLoseNothing)
{
    ASSERT_TRUE(m_store.CreateKey(kMirrexKey));
    constexpr uint32_t kWrites = 100;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    const std::string mine = child == 0 ? "child" : "parent";
    FileKeyStore store(m_root.Path());
    bool allWritten = true;
    for (uint32_t i = 1; i <= kWrites; ++i)
        allWritten = store.WriteDword(kMirrexKey, mine + std::to_string(i), i) && allWritten;
    if (child == 0)
        ::_exit(allWritten ? 0 : 1);

    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(allWritten);
    for (uint32_t i = 1; i <= kWrites; ++i) {
        EXPECT_EQ(m_store.ReadDword(kMirrexKey, "parent" + std::to_string(i)), i);
        EXPECT_EQ(m_store.ReadDword(kMirrexKey, "child" + std::to_string(i)), i);
    }
}

}  // namespace

namespace {

TEST_F(KeyStoreTest, LinkedKeyFileStaysALink)
{
    TempDir elsewhere;
    WriteText(elsewhere / "Mirrex", FormatKeyFile({{"com", uint32_t{2}}}));
    std::filesystem::create_directories(m_root / "Tolvar");
    std::filesystem::create_symlink(elsewhere / "Mirrex", KeyFile());

    ASSERT_TRUE(m_store.WriteDword(kMirrexKey, "com", 5));
    EXPECT_TRUE(std::filesystem::is_symlink(KeyFile()));
    EXPECT_EQ(FileKeyStore(elsewhere.Path()).ReadDword("Software\\Mirrex", "com"), 5U);
}

}  // namespace
