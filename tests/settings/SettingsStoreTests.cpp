#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/AtomicFile.h"
#include "platform/FileKeyStore.h"
#include "platform/KeyFileFormat.h"
#include "platform/PortMap.h"
#include "platform/ProgramPath.h"
#include "platform/TempDir.h"
#include "settings/SettingsStore.h"

namespace {

const char* const kValueNames[] = {"baud_rate", "parity", "stop_bits", "rs_type", "byte_size",
                                   "adress_len", "address", "com", "converter"};

class SettingsStoreTest : public testing::Test {
protected:
    SettingsStoreTest()
    {
        for (const char* folder : {"sys", "dev", "aliases"})
            std::filesystem::create_directories(m_dir / folder);
    }

    void Store(const char* name, uint32_t value)
    {
        m_keys.CreateKey(kMirrexKey);
        ASSERT_TRUE(m_keys.WriteDword(kMirrexKey, name, value));
    }

    void StoreAll(const CommSettings& record)
    {
        m_store.SetRecord(record);
        m_keys.CreateKey(kMirrexKey);
        m_store.Save();
    }

    std::optional<uint32_t> Stored(const char* name) { return m_keys.ReadDword(kMirrexKey, name); }

    TempDir m_dir;
    FileKeyStore m_keys{m_dir / "config"};
    PortMap m_ports{PortMapRoots{m_dir / "aliases", m_dir / "sys", m_dir / "dev", m_dir / "by-id"}};
    SettingsStore m_store{m_keys, m_ports};
};

CommSettings Unusual()
{
    CommSettings record;
    record.com = 7;
    record.address = 300;
    record.adress_len = 11;
    record.converter = 0;
    record.baud_rate = 9600;
    record.parity = 2;
    record.stop_bits = 2;
    record.byte_size = 7;
    record.rs_type = 0;
    return record;
}

TEST_F(SettingsStoreTest, FirstRunCreatesTheKeyUsesDefaultsAndWritesNothing)
{
    m_store.Load();
    const CommSettings expected{1, 16, 8, 1, 115200, 0, 0, 8, 1};
    EXPECT_EQ(m_store.GetRecord(), expected);
    EXPECT_EQ(DefaultCommSettings(), expected);
    EXPECT_TRUE(m_keys.KeyExists(kMirrexKey));
    for (const char* name : kValueNames)
        EXPECT_FALSE(Stored(name)) << name;

    m_store.Save();
    for (const char* name : kValueNames)
        EXPECT_TRUE(Stored(name)) << name;
}

TEST_F(SettingsStoreTest, SavedRecordLoadsBackWhole)
{
    StoreAll(Unusual());
    m_store.SetDefaults();
    m_store.Load();
    EXPECT_EQ(m_store.GetRecord(), Unusual());
}

TEST_F(SettingsStoreTest, MissingBaudRateRewritesEveryValueWithTheDefaults)
{
    const CommSettings stored = Unusual();
    std::filesystem::create_directories(m_dir / "config/Tolvar");
    std::ofstream(m_dir / "config/Tolvar/Mirrex")
        << FormatKeyFile({{"parity", stored.parity}, {"stop_bits", stored.stop_bits},
                          {"rs_type", stored.rs_type}, {"byte_size", stored.byte_size},
                          {"adress_len", stored.adress_len}, {"address", stored.address},
                          {"com", stored.com}, {"converter", stored.converter}});
    m_store.Load();

    EXPECT_EQ(m_store.GetRecord(), DefaultCommSettings());
    EXPECT_EQ(Stored("baud_rate"), 115200U);
    EXPECT_EQ(Stored("com"), 1U);
    EXPECT_EQ(Stored("address"), 16U);
    EXPECT_EQ(Stored("converter"), 1U);
}

TEST_F(SettingsStoreTest, StoredValuesAreCutToTheirFields)
{
    Store("baud_rate", 12345);   // kept as it is; the port deals with it
    Store("parity", 257);        // low 8 bits: odd
    Store("stop_bits", 0x102);   // low 8 bits: two
    Store("byte_size", 0x109);   // 9 data bits, for the port to refuse
    Store("adress_len", 16);     // anything but 8 means 11-bit addressing
    Store("address", 0x12345);   // low 16 bits
    Store("com", 70000);         // all 32 bits
    Store("converter", 5);       // normalised to 1
    Store("rs_type", 0x300);
    m_store.Load();

    const CommSettings& record = m_store.GetRecord();
    EXPECT_EQ(record.baud_rate, 12345U);
    EXPECT_EQ(record.parity, 1U);
    EXPECT_EQ(record.stop_bits, 2U);
    EXPECT_EQ(record.byte_size, 9);
    EXPECT_EQ(record.adress_len, 16);
    EXPECT_EQ(record.address, 0x2345);
    EXPECT_EQ(record.com, 70000U);
    EXPECT_EQ(record.converter, 1);
    EXPECT_EQ(record.rs_type, 0);
}

TEST_F(SettingsStoreTest, ConverterIsSavedAsZeroOrOne)
{
    CommSettings record = DefaultCommSettings();
    record.converter = 5;
    StoreAll(record);
    EXPECT_EQ(Stored("converter"), 1U);
}

TEST_F(SettingsStoreTest, MissingValuesOtherThanBaudRateKeepTheirDefaults)
{
    Store("baud_rate", 9600);
    Store("com", 4);
    m_store.Load();
    CommSettings expected = DefaultCommSettings();
    expected.baud_rate = 9600;
    expected.com = 4;
    EXPECT_EQ(m_store.GetRecord(), expected);
    EXPECT_FALSE(Stored("parity"));  // nothing written by loading
}

TEST_F(SettingsStoreTest, SaveWithoutTheKeyWritesNothing)
{
    m_store.SetRecord(Unusual());
    m_store.Save();
    EXPECT_FALSE(m_keys.KeyExists(kMirrexKey));
    EXPECT_EQ(m_store.GetRecord(), Unusual());
}

TEST_F(SettingsStoreTest, CorruptSettingsFileGivesTheDefaults)
{
    std::filesystem::create_directories(m_dir / "config/Tolvar");
    std::ofstream(m_dir / "config/Tolvar/Mirrex") << "\x01\x02garbage\nbaud_rate=9600";
    m_store.SetRecord(Unusual());
    m_store.Load();
    EXPECT_EQ(m_store.GetRecord(), DefaultCommSettings());
    EXPECT_TRUE(m_keys.KeyExists(kMirrexKey));
}

TEST_F(SettingsStoreTest, OneDamagedLineOfAHandEditCostsOnlyItsValue)
{
    StoreAll(Unusual());
    ASSERT_TRUE(m_keys.WriteString(kMirrexKey, "PAGE4_SaveToFile_Path_P4", "/srv/line 3.klx41"));
    // Edited on Windows: CRLF line ends, a blank after a value, a typo.
    std::string text = ReadWholeFile(m_dir / "config/Tolvar/Mirrex", 1000).value_or("");
    std::string edited;
    for (char c : text) edited += c == '\n' ? std::string(" \r\n") : std::string(1, c);
    const std::string typo = "dword com 7 \r\n";
    ASSERT_NE(edited.find(typo), std::string::npos);
    edited.replace(edited.find(typo), typo.size(), "dword com 7O\r\n");
    std::ofstream(m_dir / "config/Tolvar/Mirrex", std::ios::binary) << edited;

    m_store.Load();
    CommSettings expected = Unusual();
    expected.com = DefaultCommSettings().com;
    EXPECT_EQ(m_store.GetRecord(), expected);
    EXPECT_EQ(m_keys.ReadString(kMirrexKey, "PAGE4_SaveToFile_Path_P4"), "/srv/line 3.klx41");
}

TEST_F(SettingsStoreTest, PortsAreListedInTheMapsOrder)
{
    for (const char* device : {"pts-a", "pts-b"})
        std::ofstream(m_dir / ("dev/" + std::string(device))).put('x');
    ASSERT_EQ(m_ports.RegisterAlias(m_dir / "dev/pts-a", 3), 3U);
    ASSERT_EQ(m_ports.RegisterAlias(m_dir / "dev/pts-b", 1), 1U);
    m_store.m_ports = {"stale"};
    m_store.EnumeratePorts();
    EXPECT_EQ(m_store.m_ports, (std::vector<std::string>{"COM1", "COM3"}));

    m_ports.RemoveAlias(1);
    m_ports.RemoveAlias(3);
    m_store.EnumeratePorts();
    EXPECT_TRUE(m_store.m_ports.empty());
}

TEST_F(SettingsStoreTest, InitializeFindsTheProgramFolderLoadsAndListsPorts)
{
    std::ofstream(m_dir / "dev/pts-a").put('x');
    ASSERT_EQ(m_ports.RegisterAlias(m_dir / "dev/pts-a", 2), 2U);
    Store("baud_rate", 4800);
    m_store.Initialize();

    const auto program = std::filesystem::read_symlink("/proc/self/exe");
    EXPECT_EQ(m_store.m_exeDir, program.parent_path().string());
    EXPECT_EQ(m_store.GetRecord().baud_rate, 4800U);
    EXPECT_EQ(m_store.m_ports, std::vector<std::string>{"COM2"});
}

TEST(ProgramFolderTest, FolderOfAProgramPath)
{
    EXPECT_EQ(ProgramFolderOf("/opt/mirrex/bin/mirrex"), "/opt/mirrex/bin");
    EXPECT_EQ(ProgramFolderOf("mirrex"), "mirrex");  // no separator: the whole path
    EXPECT_EQ(ProgramFolderOf("/mirrex"), "");
}

TEST(ProgramFolderTest, DocumentsFolderAsTheUserDirsFileNamesItElseHome)
{
    ScopedUserFolders folders;
    TempDir home;
    const char* oldHome = std::getenv("HOME");
    const std::string savedHome = oldHome ? oldHome : "";
    ::setenv("HOME", home.Path().c_str(), 1);
    const auto writeDirs = [&](const std::string& text) {
        std::filesystem::create_directories(folders.ConfigDir());
        std::ofstream(folders.ConfigDir() + "/user-dirs.dirs") << text;
    };

    // No file: the home folder.
    EXPECT_EQ(UserDocumentsDir(), home.Path());

    std::filesystem::create_directories(home / "Документы");
    writeDirs("# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
              "XDG_DOCUMENTS_DIR=\"$HOME/Документы\"\n");
    EXPECT_EQ(UserDocumentsDir(), home / "Документы");

    // An absolute folder counts, a relative one or one that does not exist
    // does not.
    writeDirs("XDG_DOCUMENTS_DIR=\"" + home.Path() + "\"\n");
    EXPECT_EQ(UserDocumentsDir(), home.Path());
    writeDirs("XDG_DOCUMENTS_DIR=\"Documents\"\n");
    EXPECT_EQ(UserDocumentsDir(), home.Path());
    writeDirs("XDG_DOCUMENTS_DIR=\"$HOME/gone\"\n");
    EXPECT_EQ(UserDocumentsDir(), home.Path());

    ::setenv("HOME", savedHome.c_str(), 1);
}

}  // namespace
