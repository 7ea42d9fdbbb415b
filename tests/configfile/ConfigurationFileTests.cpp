// Saving, checking and loading configuration files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#ifndef _WIN32
#include <sys/socket.h>
#include <sys/un.h>
#endif

#include <cstring>
#include <fstream>

#include "../device/DeviceTestKit.h"
#include "configfile/ConfigurationFile.h"
#include "device/FileIo.h"
#include "platform/CodePage1251.h"

namespace {

void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> Pattern(std::size_t size, uint8_t seed)
{
    std::vector<uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7);
    return bytes;
}

std::vector<uint8_t> FileWith(std::size_t areaBytes, const ConfigHeader& header)
{
    std::vector<uint8_t> bytes = Pattern(areaBytes, 3);
    auto* raw = reinterpret_cast<const uint8_t*>(&header);
    bytes.insert(bytes.end(), raw, raw + sizeof header);
    return bytes;
}

class FileOps : public ::testing::Test {
protected:
    void SetUp() override
    {
        areas = {Pattern(1000, 1), Pattern(0, 2), Pattern(77, 3), Pattern(15, 4)};
        for (int i = 0; i < 4; ++i) WriteBytes(rig.link.AreaFilePath(kAreas[i]), areas[i]);
        SetHeaderDeviceName(rig.link.readHeader, u"КЛХ41");
        SetHeaderSoftwareVersion(rig.link.readHeader, u"2.1");
        target = rig.folder.Path() / "device.klx41";
    }
    std::filesystem::path Path(const char* name) const { return rig.folder.Path() / name; }

    Rig rig;
    std::vector<std::vector<uint8_t>> areas;
    std::filesystem::path target;
};

}  // namespace

TEST_F(FileOps, SavedFileChecksBackToTheSameHeaderAndAreas)
{
    ASSERT_TRUE(SaveConfigurationFile(rig.link, target));
    EXPECT_EQ(rig.prompts.Texts(), std::vector<std::string>{"Конфигурация из прибора успешно сохранена в файл. "});
    EXPECT_EQ(rig.prompts.shown[0].icon, MsgIcon::Information);
    const ConfigHeader written = rig.link.header;
    EXPECT_EQ(written.size0, 1000u);
    EXPECT_EQ(written.size16, 0u);

    rig.link.header = ConfigHeader{};
    ASSERT_TRUE(CheckConfigurationFile(rig.link, target));
    EXPECT_EQ(std::memcmp(&rig.link.header, &written, sizeof written), 0);
    EXPECT_EQ(HeaderDeviceName(rig.link.header), u"КЛХ41");
    std::vector<uint8_t> image;
    ASSERT_TRUE(LoadConfigurationImage(rig.link, target, &image));
    std::size_t at = 0;
    for (const auto& area : areas) {
        EXPECT_EQ(std::vector<uint8_t>(image.begin() + at, image.begin() + at + area.size()), area);
        at += area.size();
    }
    EXPECT_EQ(image.size(), at + 212);
    // The name as stored: UTF-16LE units, then a NUL, then zeros.
    EXPECT_EQ(image[at + 20], 0x1A);
    EXPECT_EQ(image[at + 21], 0x04);
    EXPECT_EQ(image[at + 30], 0);
}

TEST_F(FileOps, OverwriteIsAskedAndNoKeepsTheOldFile)
{
    WriteBytes(target, {1, 2, 3});
    rig.prompts.answers = {MsgAnswer::No};
    EXPECT_FALSE(SaveConfigurationFile(rig.link, target));
    EXPECT_EQ(rig.prompts.Texts(), std::vector<std::string>{Utf8FromPath(target) + "\nфайл будет перезаписан, продолжить? "});
    EXPECT_EQ(FileBytes(target), (std::vector<uint8_t>{1, 2, 3}));
    rig.prompts.answers = {MsgAnswer::Yes};
    EXPECT_TRUE(SaveConfigurationFile(rig.link, target));
    EXPECT_EQ(FileBytes(target).size(), 1000u + 77 + 15 + 212);
}

TEST_F(FileOps, AMissingAreaFileOrAnUnwritableTargetLeavesTheOldFileIntact)
{
    WriteBytes(target, {9, 9});
    std::filesystem::remove(rig.link.AreaFilePath(40));
    EXPECT_FALSE(SaveConfigurationFile(rig.link, target));
    EXPECT_EQ(rig.prompts.Texts().back(), "Не удалось открыть файл считанной конфигурации. ");
    EXPECT_EQ(FileBytes(target), (std::vector<uint8_t>{9, 9}));
    std::filesystem::remove(rig.link.AreaFilePath(0));
    EXPECT_FALSE(SaveConfigurationFile(rig.link, target));
    EXPECT_EQ(rig.prompts.Texts().back(), "Не удалось открыть файл считанной программы CoDeSys. ");

    WriteBytes(rig.link.AreaFilePath(0), areas[0]);
    WriteBytes(rig.link.AreaFilePath(40), areas[2]);
    EXPECT_FALSE(SaveConfigurationFile(rig.link, ""));
    EXPECT_FALSE(SaveConfigurationFile(rig.link, Path("no-such-folder/x.klx41")));
    EXPECT_EQ(rig.prompts.Texts().back(), "Не удалось сохранить конфигурацию в указанный файл. ");
    // Nothing but the area files, the folder's lock and the old target remains.
    std::size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(rig.folder.Path())) entries += !entry.path().empty();
    EXPECT_EQ(entries, 6u);
}

// A save into a folder and a file named in Russian, over a temporary file
// an interrupted save left behind: the names on the disk and in the
// messages are the ones the user gave.
TEST_F(FileOps, CyrillicNamesAreSavedCheckedAndShownAsGiven)
{
    const std::string folderText = Utf8FromPath(rig.folder.Path() / PathFromUtf8("Конфигурации"));
    ASSERT_TRUE(std::filesystem::create_directory(PathFromUtf8(folderText)));
    const std::filesystem::path named = PathFromUtf8(folderText) / PathFromUtf8("Линия 3.klx41");
    std::filesystem::path leftover = named;
    leftover += ".~tmp";
    WriteBytes(leftover, {5, 5});

    ASSERT_TRUE(SaveConfigurationFile(rig.link, named));
    EXPECT_FALSE(std::filesystem::exists(leftover));
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(PathFromUtf8(folderText)))
        names.push_back(Utf8FromPath(entry.path().filename()));
    EXPECT_EQ(names, std::vector<std::string>{"Линия 3.klx41"});
    ASSERT_TRUE(CheckConfigurationFile(rig.link, named));

    rig.prompts.answers = {MsgAnswer::No};
    EXPECT_FALSE(SaveConfigurationFile(rig.link, named));
    const std::string shown = rig.prompts.Texts().back();
    EXPECT_EQ(shown.substr(0, folderText.size()), folderText);
    EXPECT_NE(shown.find("Линия 3.klx41\nфайл будет перезаписан"), std::string::npos) << shown;
}

// Symbolic links and POSIX permission bits.
#ifndef _WIN32
TEST_F(FileOps, ReplacingKeepsWhatWritingInPlaceWouldKeep)
{
    // A read-only file is refused, as opening it for writing would be.
    WriteBytes(target, {1});
    std::filesystem::permissions(target, std::filesystem::perms::owner_read);
    rig.prompts.answers = {MsgAnswer::Yes};
    bool savedReadOnly = SaveConfigurationFile(rig.link, target);
    if (geteuid() != 0) {  // root may write anything
        EXPECT_FALSE(savedReadOnly);
        EXPECT_EQ(rig.prompts.Texts().back(), "Не удалось сохранить конфигурацию в указанный файл. ");
        EXPECT_EQ(FileBytes(target), std::vector<uint8_t>{1});
    }
    std::filesystem::remove(target);

    // A link is written through; the file keeps its permissions.
    std::filesystem::path real = Path("real.klx41");
    WriteBytes(real, {2});
    std::filesystem::permissions(real, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                                           std::filesystem::perms::group_read);
    std::filesystem::create_symlink(real, target);
    rig.prompts.answers = {MsgAnswer::Yes};
    ASSERT_TRUE(SaveConfigurationFile(rig.link, target));
    EXPECT_TRUE(std::filesystem::is_symlink(target));
    EXPECT_EQ(FileBytes(real).size(), 1000u + 77 + 15 + 212);
    EXPECT_EQ(std::filesystem::status(real).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                  std::filesystem::perms::group_read);
}
#endif

// The full disk is played by a file size limit, which Windows does not have.
#ifndef _WIN32
TEST_F(FileOps, ASaveInterruptedByAFullDiskKeepsTheOldFile)
{
    std::vector<uint8_t> old = Pattern(300, 8);
    WriteBytes(target, old);
    bool result = WithFileSizeLimit(500, [&] { return SaveConfigurationFile(rig.link, target); });
    EXPECT_FALSE(result);
    EXPECT_EQ(rig.prompts.Texts().back(), "Не удалось сохранить конфигурацию в указанный файл. ");
    EXPECT_EQ(FileBytes(target), old);
    EXPECT_FALSE(std::filesystem::exists(target.native() + ".~tmp"));
}
#endif

TEST_F(FileOps, CheckRefusesShortForeignAndInconsistentFiles)
{
    const std::string notConfig = "\nне является действительным файлом конфигурации. ";
    auto check = [&](const char* name, const std::vector<uint8_t>& bytes) {
        WriteBytes(Path(name), bytes);
        bool valid = CheckConfigurationFile(rig.link, Path(name));
        return std::make_pair(valid, valid ? std::string() : rig.prompts.Texts().back());
    };
    // 424 bytes: the smallest valid file.
    EXPECT_TRUE(check("424", FileWith(212, HeaderWithSizes(100, 100, 10, 2))).first);
    EXPECT_EQ(check("423", FileWith(211, HeaderWithSizes(100, 100, 10, 1))).second,
              Utf8FromPath(Path("423")) + notConfig);
    EXPECT_EQ(check("empty", {}).second, Utf8FromPath(Path("empty")) + notConfig);
    ConfigHeader foreign = HeaderWithSizes(100, 100, 10, 2);
    foreign.magic = 0x20080910;
    EXPECT_EQ(check("mark", FileWith(212, foreign)).second, Utf8FromPath(Path("mark")) + notConfig);
    // The foreign header has replaced the one in memory all the same.
    EXPECT_EQ(rig.link.header.magic, 0x20080910u);
    EXPECT_EQ(check("sizes", FileWith(212, HeaderWithSizes(100, 100, 10, 3))).second,
              Utf8FromPath(Path("sizes")) + notConfig + "Ошибка в размерах считанных областей конфигурации. ");
    // Sizes that add up to the length only when they wrap around 32 bits.
    EXPECT_FALSE(check("wrap", FileWith(212, HeaderWithSizes(0xFFFFFF00u, 0x100u, 200, 12))).first);
    EXPECT_EQ(check("missing", {}).first, false);
    EXPECT_EQ(CheckConfigurationFile(rig.link, Path("nowhere")), false);
    EXPECT_EQ(rig.prompts.Texts().back(), Utf8FromPath(Path("nowhere")) + "\nфайл конфигурации открыть не удалось. ");
}

TEST_F(FileOps, HeaderTextsWithoutTheirZeroStayInsideTheirFields)
{
    ConfigHeader header = HeaderWithSizes(212, 0, 0, 0);
    for (char16_t& unit : header.deviceName) unit = u'Ж';
    for (char16_t& unit : header.softwareVersion) unit = u'9';
    WriteBytes(target, FileWith(212, header));
    ASSERT_TRUE(CheckConfigurationFile(rig.link, target));
    EXPECT_EQ(HeaderDeviceName(rig.link.header), std::u16string(32, u'Ж'));
    EXPECT_EQ(HeaderSoftwareVersion(rig.link.header), std::u16string(64, u'9'));
    // Storing a text that long keeps the NUL inside the field.
    SetHeaderDeviceName(rig.link.header, std::u16string(40, u'A'));
    EXPECT_EQ(HeaderDeviceName(rig.link.header), std::u16string(31, u'A'));
}

TEST_F(FileOps, AFileThatChangedAfterTheCheckIsNotLoaded)
{
    ASSERT_TRUE(SaveConfigurationFile(rig.link, target));
    ASSERT_TRUE(CheckConfigurationFile(rig.link, target));
    std::vector<uint8_t> bytes = FileBytes(target);
    bytes.insert(bytes.begin(), 0);
    WriteBytes(target, bytes);
    std::vector<uint8_t> image;
    EXPECT_FALSE(LoadConfigurationImage(rig.link, target, &image));
    EXPECT_TRUE(image.empty());
    EXPECT_EQ(rig.prompts.Texts().back(), Utf8FromPath(target) + "\nфайл конфигурации открыть не удалось. ");
}

TEST_F(FileOps, AFileLargerThanAnyDeviceTakesIsRefusedBeforeItIsRead)
{
    // Consistent, so the check passes; a device takes at most 500000 bytes.
    WriteBytes(target, FileWith(kLargestImage, HeaderWithSizes(kLargestImage, 0, 0, 0)));
    ASSERT_TRUE(CheckConfigurationFile(rig.link, target));
    std::vector<uint8_t> image;
    EXPECT_FALSE(LoadConfigurationImage(rig.link, target, &image));
    EXPECT_TRUE(image.empty());
    EXPECT_EQ(rig.prompts.Texts().back(), "Ошибка размера конфигурации. ");
}

// FIFOs, sockets and device nodes.
#ifndef _WIN32
namespace {

// A listening socket bound to path, closed with the object.
class BoundSocket {
public:
    explicit BoundSocket(const std::filesystem::path& path) : m_fd(::socket(AF_UNIX, SOCK_STREAM, 0))
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        m_bound = ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && ::listen(m_fd, 1) == 0;
    }
    ~BoundSocket() { ::close(m_fd); }
    bool Bound() const { return m_bound; }

private:
    int m_fd;
    bool m_bound = false;
};

}  // namespace

TEST_F(FileOps, WhatIsNotARegularFileIsRefusedAtOnceAndLeftAlone)
{
    // A plain open of a FIFO nobody writes into never returns; the alarm
    // ends a test that waits.
    ::alarm(20);
    const std::filesystem::path fifo = Path("pipe.klx41");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    BoundSocket socket(Path("socket.klx41"));
    ASSERT_TRUE(socket.Bound());
    std::filesystem::create_directory(Path("folder.klx41"));
    for (const std::filesystem::path& path : {fifo, Path("socket.klx41"), std::filesystem::path("/dev/zero"),
                                              Path("folder.klx41")}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(CheckConfigurationFile(rig.link, path));
        EXPECT_EQ(rig.prompts.Texts().back(), Utf8FromPath(path) + "\nфайл конфигурации открыть не удалось. ");
    }

    // Saving onto one replaces nothing and asks nothing.
    const std::size_t shown = rig.prompts.Texts().size();
    EXPECT_FALSE(SaveConfigurationFile(rig.link, fifo));
    EXPECT_EQ(rig.prompts.Texts().size(), shown + 1);
    EXPECT_EQ(rig.prompts.Texts().back(), "Не удалось сохранить конфигурацию в указанный файл. ");
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));

    // A file that becomes a FIFO between the check and the load.
    ASSERT_TRUE(SaveConfigurationFile(rig.link, target));
    ASSERT_TRUE(CheckConfigurationFile(rig.link, target));
    std::filesystem::remove(target);
    ASSERT_EQ(::mkfifo(target.c_str(), 0600), 0);
    std::vector<uint8_t> image;
    EXPECT_FALSE(LoadConfigurationImage(rig.link, target, &image));
    EXPECT_EQ(rig.prompts.Texts().back(), Utf8FromPath(target) + "\nфайл конфигурации открыть не удалось. ");
    ::alarm(0);
}
#endif
