#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/PortMap.h"
#include "platform/TempDir.h"

namespace fs = std::filesystem;

namespace {

// A fake system: /sys/class/tty entries, device nodes (plain files) and the
// by-id links of a udev that names adapters by serial number.
class PortMapTest : public testing::Test {
protected:
    PortMapTest()
    {
        for (const char* folder : {"sys", "dev", "by-id", "aliases"})
            fs::create_directories(m_dir / folder);
    }

    PortMapRoots Roots() const
    {
        return {m_dir / "aliases", m_dir / "sys", m_dir / "dev", m_dir / "by-id"};
    }

    void AddUart(const std::string& name, int type)
    {
        fs::create_directories(m_dir / ("sys/" + name));
        std::ofstream(m_dir / ("sys/" + name + "/type")) << type << "\n";
        std::ofstream(m_dir / ("dev/" + name));
    }

    void PlugAdapter(const std::string& name, const std::string& serial = {})
    {
        fs::create_directories(m_dir / ("sys/" + name));
        std::ofstream(m_dir / ("dev/" + name));
        if (!serial.empty())
            fs::create_symlink("../dev/" + name, m_dir / ("by-id/" + serial));
    }

    void Unplug(const std::string& name, const std::string& serial = {})
    {
        fs::remove_all(m_dir / ("sys/" + name));
        fs::remove(m_dir / ("dev/" + name));
        if (!serial.empty())
            fs::remove(m_dir / ("by-id/" + serial));
    }

    std::vector<std::string> Listed()
    {
        std::vector<std::string> names;
        for (const auto& entry : m_map.List())
            names.push_back(entry.name + "=" + entry.devicePath.substr(m_dir.Path().size()));
        return names;
    }

    TempDir m_dir;
    PortMap m_map{Roots()};
};

using Names = std::vector<std::string>;

TEST_F(PortMapTest, OnBoardPortsWithHardwareOnlyInNumberOrder)
{
    AddUart("ttyS10", 4);
    AddUart("ttyS0", 4);
    AddUart("ttyS1", 0);  // a phantom: the driver found no chip
    AddUart("ttyS2", 4);
    fs::create_directories(m_dir / "sys/tty0");
    EXPECT_EQ(Listed(), (Names{"COM1=/dev/ttyS0", "COM3=/dev/ttyS2", "COM11=/dev/ttyS10"}));
}

TEST_F(PortMapTest, AdaptersKeepTheirNumberAcrossReplugging)
{
    AddUart("ttyS0", 4);
    PlugAdapter("ttyUSB0", "usb-Adapter_A1");
    PlugAdapter("ttyACM0", "usb-Board_B2");
    EXPECT_EQ(Listed(), (Names{"COM1=/dev/ttyS0", "COM2=/by-id/usb-Adapter_A1", "COM3=/by-id/usb-Board_B2"}));

    // Unplugged, its number stays reserved; a new adapter does not take it.
    Unplug("ttyUSB0", "usb-Adapter_A1");
    PlugAdapter("ttyUSB1", "usb-Other_C3");
    EXPECT_EQ(Listed(), (Names{"COM1=/dev/ttyS0", "COM3=/by-id/usb-Board_B2", "COM4=/by-id/usb-Other_C3"}));

    // Back on another kernel index, it is still COM2.
    Unplug("ttyUSB1", "usb-Other_C3");
    PlugAdapter("ttyUSB5", "usb-Adapter_A1");
    EXPECT_EQ(Listed(), (Names{"COM1=/dev/ttyS0", "COM2=/by-id/usb-Adapter_A1", "COM3=/by-id/usb-Board_B2"}));
    EXPECT_EQ(m_map.Resolve("\\\\.\\COM2"), m_dir / "by-id/usb-Adapter_A1");
}

TEST_F(PortMapTest, AdapterWithoutStableNameIsListedByItsNode)
{
    PlugAdapter("ttyUSB0");
    const auto entries = m_map.List();
    ASSERT_EQ(entries.size(), 1U);
    EXPECT_EQ(entries[0], (PortEntry{"COM1", 1, m_dir / "dev/ttyUSB0", PortKind::Usb}));
}

TEST_F(PortMapTest, AliasesAreListedResolvedAndRemoved)
{
    AddUart("ttyS0", 4);
    const std::string pty = m_dir / "dev/pts-7";
    std::ofstream(pty).put('x');

    EXPECT_EQ(m_map.RegisterAlias(pty), 2U);  // COM1 is the on-board port
    EXPECT_EQ(m_map.RegisterAlias(pty, 9), 9U);
    EXPECT_EQ(m_map.Resolve(2), pty);
    EXPECT_EQ(m_map.Resolve("com9"), pty);
    EXPECT_EQ(Listed(), (Names{"COM1=/dev/ttyS0", "COM2=/dev/pts-7", "COM9=/dev/pts-7"}));

    // An alias of an on-board number wins: the user asked for it.
    EXPECT_EQ(m_map.RegisterAlias(pty, 1), 1U);
    EXPECT_EQ(m_map.Resolve(1), pty);

    EXPECT_FALSE(m_map.RemoveAlias(2, "/somewhere/else"));
    EXPECT_TRUE(m_map.RemoveAlias(2, pty));
    EXPECT_TRUE(m_map.RemoveAlias(9));
    EXPECT_FALSE(m_map.Resolve(2));
    EXPECT_FALSE(m_map.Resolve(9));
}

TEST_F(PortMapTest, StaleAliasIsHiddenAndItsNumberReused)
{
    std::ofstream(m_dir / "dev/pts-3").put('x');
    ASSERT_EQ(m_map.RegisterAlias(m_dir / "dev/pts-3"), 1U);
    fs::remove(m_dir / "dev/pts-3");  // its program died without cleaning up
    EXPECT_TRUE(m_map.List().empty());

    std::ofstream(m_dir / "dev/pts-4").put('x');
    EXPECT_EQ(m_map.RegisterAlias(m_dir / "dev/pts-4"), 1U);
    EXPECT_EQ(m_map.Resolve(1), m_dir / "dev/pts-4");
}

TEST_F(PortMapTest, AliasFolderIsCreatedOnDemand)
{
    PortMapRoots roots = Roots();
    roots.aliasFolder = m_dir / "config/Tolvar/Mirrex.ports";
    PortMap map(roots);
    std::ofstream(m_dir / "dev/pts-1").put('x');
    EXPECT_EQ(map.RegisterAlias(m_dir / "dev/pts-1"), 1U);
    EXPECT_TRUE(fs::is_symlink(roots.aliasFolder + "/COM1"));
}

TEST(PortNameTest, NumbersOfNames)
{
    EXPECT_EQ(PortMap::NumberOfName("COM1"), 1U);
    EXPECT_EQ(PortMap::NumberOfName("\\\\.\\COM12"), 12U);
    EXPECT_EQ(PortMap::NumberOfName("com3"), 3U);
    for (const char* bad : {"COM", "COM0", "COM-1", "COM1x", "LPT1", "/dev/ttyS0", "COM99999999999", ""})
        EXPECT_FALSE(PortMap::NumberOfName(bad)) << bad;
    EXPECT_EQ(PortMap::NameOfNumber(7), "COM7");
}

}  // namespace

namespace {

TEST_F(PortMapTest, AdapterIsListedEvenWhenItsNumberCannotBeRemembered)
{
    std::ofstream(m_dir / "not-a-folder").put('x');
    PortMapRoots roots = Roots();
    roots.aliasFolder = m_dir / "not-a-folder/ports";
    PortMap map(roots);
    AddUart("ttyS0", 4);
    PlugAdapter("ttyUSB0", "usb-Adapter_A1");
    PlugAdapter("ttyUSB1", "usb-Adapter_B2");
    const auto entries = map.List();
    ASSERT_EQ(entries.size(), 3U);
    EXPECT_EQ(entries[1], (PortEntry{"COM2", 2, m_dir / "by-id/usb-Adapter_A1", PortKind::Usb}));
    EXPECT_EQ(entries[2].name, "COM3");
}

}  // namespace
