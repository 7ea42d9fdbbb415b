#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <sys/stat.h>
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

// Runs body in a child process as an ordinary user (nobody, when the tests
// run as root, who may read anything); folder is handed to that user first.
// The child's wait status.
template <typename Body>
int InChildAsNobody(const std::string& folder, Body body)
{
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0) {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
                (void)!::lchown(entry.path().c_str(), 65534, 65534);
            if (::chown(folder.c_str(), 65534, 65534) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(100);
        }
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

TEST_F(KeyStoreTest, AHandEditedFileLosesOnlyTheLinesThatCannotBeRead)
{
    WriteText(KeyFile(), "\xEF\xBB\xBFmirrex-key 1 \r\n"
                         "dword baud_rate 9600\r\n"
                         "\r\n"
                         "   dword  parity\t2   \n"
                         "dword stop_bits 2x\n"         // a typo: that value is missing
                         "dword rs_type 99999999999\n"  // out of range
                         "float byte_size 7\n"          // unknown type
                         "# the line rate for bench 3\n"
                         "string PAGE4_SaveToFile_Path_P4 /tmp/a\\x20b.klx41\n"
                         "string bad \\q\n"
                         "dword com 3");                // no line end at the end
    ASSERT_TRUE(m_store.KeyExists(kMirrexKey));
    EXPECT_EQ(m_store.ReadDword(kMirrexKey, "baud_rate"), 9600U);
    EXPECT_EQ(m_store.ReadDword(kMirrexKey, "parity"), 2U);
    EXPECT_EQ(m_store.ReadDword(kMirrexKey, "com"), 3U);
    EXPECT_EQ(m_store.ReadString(kMirrexKey, "PAGE4_SaveToFile_Path_P4"), "/tmp/a b.klx41");
    for (const char* missing : {"stop_bits", "rs_type", "byte_size"})
        EXPECT_FALSE(m_store.ReadDword(kMirrexKey, missing)) << missing;
    EXPECT_FALSE(m_store.ReadString(kMirrexKey, "bad"));
}

TEST_F(KeyStoreTest, AWriteThatDropsUnreadableLinesKeepsTheOldFileAside)
{
    const std::string edited = "mirrex-key 1\ndword com 3\ndword stop_bits 2x\n";
    WriteText(KeyFile(), edited);
    WriteText(KeyFile() + ".bad", "an earlier copy");

    ASSERT_TRUE(m_store.WriteDword(kMirrexKey, "stop_bits", 2));
    EXPECT_EQ(ReadWholeFile(KeyFile() + ".bad", 1000), "an earlier copy");
    EXPECT_EQ(ReadWholeFile(KeyFile() + ".bad.1", 1000), edited);
    EXPECT_EQ(ReadWholeFile(KeyFile(), 1000), FormatKeyFile({{"com", 3U}, {"stop_bits", 2U}}));
    // The file is clean now: the next write needs no copy.
    ASSERT_TRUE(m_store.WriteDword(kMirrexKey, "com", 4));
    EXPECT_EQ(FilesIn(m_root / "Tolvar"), (std::vector<std::string>{"Mirrex", "Mirrex.bad", "Mirrex.bad.1"}));
}

TEST_F(KeyStoreTest, FilesThatAreNotKeyFilesAreMovedAsideWithoutOverwritingEarlierCopies)
{
    std::string binary(300, '\0');
    for (std::size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>(i * 37 + 11);
    const std::string samples[] = {
        binary,
        "[Settings]\nbaud_rate=9600\n",
        "mirrex-key 2\ndword baud_rate 9600\n",  // a format we do not know
        std::string(2 << 20, 'x'),              // far larger than any key file
    };
    std::vector<std::string> expectedFiles{"Mirrex"};
    for (std::size_t i = 0; i < std::size(samples); ++i) {
        SCOPED_TRACE(i);
        WriteText(KeyFile(), samples[i]);
        EXPECT_FALSE(m_store.KeyExists(kMirrexKey));
        EXPECT_FALSE(m_store.ReadDword(kMirrexKey, "baud_rate"));
        EXPECT_FALSE(m_store.WriteDword(kMirrexKey, "baud_rate", 1));
        EXPECT_EQ(ReadWholeFile(KeyFile(), 4 << 20), samples[i]) << "a failed write changed the file";

        ASSERT_TRUE(m_store.CreateKey(kMirrexKey));
        EXPECT_TRUE(m_store.WriteDword(kMirrexKey, "baud_rate", 1));
        const std::string aside = i == 0 ? "Mirrex.bad" : "Mirrex.bad." + std::to_string(i);
        EXPECT_EQ(ReadWholeFile(m_root / ("Tolvar/" + aside), 4 << 20), samples[i]);
        expectedFiles.push_back(aside);
    }
    EXPECT_EQ(FilesIn(m_root / "Tolvar"), expectedFiles);

    // An empty file holds nothing worth a copy.
    WriteText(KeyFile(), "");
    ASSERT_TRUE(m_store.CreateKey(kMirrexKey));
    EXPECT_EQ(FilesIn(m_root / "Tolvar"), expectedFiles);
}

TEST_F(KeyStoreTest, AFileWeMayNotReadIsMovedAsideIntact)
{
    const std::string locked = FormatKeyFile({{"com", 3U}});
    WriteText(KeyFile(), locked);
    ::chmod(KeyFile().c_str(), 0);
    // Root reads anything: the store runs as an ordinary user here.
    const int status = InChildAsNobody(m_root.Path(), [&] {
        FileKeyStore store(m_root.Path());
        if (store.KeyExists(kMirrexKey) || !store.CreateKey(kMirrexKey)) return 1;
        return store.WriteDword(kMirrexKey, "com", 5) && store.ReadDword(kMirrexKey, "com") == 5U ? 0 : 2;
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    ::chmod((KeyFile() + ".bad").c_str(), 0600);
    EXPECT_EQ(ReadWholeFile(KeyFile() + ".bad", 1000), locked);
}

TEST_F(KeyStoreTest, AFolderOrAFifoInTheKeysPlaceIsLeftAlone)
{
    ASSERT_TRUE(m_store.CreateKey(kMirrexKey));
    EXPECT_FALSE(m_store.CreateKey("Software\\Tolvar"));
    EXPECT_TRUE(m_store.KeyExists(kMirrexKey));

    std::filesystem::remove(KeyFile());
    ASSERT_EQ(::mkfifo(KeyFile().c_str(), 0600), 0);
    // Nobody writes into the FIFO: a blocking open would never return.
    EXPECT_FALSE(m_store.KeyExists(kMirrexKey));
    EXPECT_FALSE(m_store.CreateKey(kMirrexKey));
    EXPECT_FALSE(m_store.WriteDword(kMirrexKey, "com", 1));
    EXPECT_TRUE(std::filesystem::is_fifo(KeyFile()));
    EXPECT_EQ(FilesIn(m_root / "Tolvar"), std::vector<std::string>{"Mirrex"});
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

// Two programs changing different values of the same key at once, starting
// from a damaged file or one that is not a key file: every change of both
// must be there at the end, and the old file kept aside exactly once.
TEST_F(KeyStoreTest, ConcurrentWritersLoseNothing)
{
    for (const char* start : {"mirrex-key 1\ndword com 3x\n", "not a key file"}) {
        SCOPED_TRACE(start);
        std::filesystem::remove_all(m_root / "Tolvar");
        WriteText(KeyFile(), start);
        constexpr uint32_t kWrites = 100;
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        const std::string mine = child == 0 ? "child" : "parent";
        FileKeyStore store(m_root.Path());
        bool allWritten = store.CreateKey(kMirrexKey);
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
        EXPECT_EQ(FilesIn(m_root / "Tolvar"), (std::vector<std::string>{"Mirrex", "Mirrex.bad"}));
        EXPECT_EQ(ReadWholeFile(KeyFile() + ".bad", 1000), start);
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
