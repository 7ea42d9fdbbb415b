#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/PortMap.h"
#include "platform/TempDir.h"

namespace fs = std::filesystem;

namespace {

// What a USB adapter says of itself in sysfs; empty strings are left out.
struct UsbAdapter {
    std::string socket = "1-2";  // the USB device's name: bus and port path
    std::string serial;
    std::string product = "USB-RS485 converter";
    std::string manufacturer;
    std::string ids = "f00d:0001";
    int interface = 0;
    bool modemClass = false;  // the tty hangs off the interface itself
};

// A fake system: /sys/class/tty entries with their devices, device nodes
// (plain files) and the by-id and by-path links of a udev.
class PortMapTest : public testing::Test {
protected:
    PortMapTest()
    {
        for (const char* folder : {"sys/class/tty", "sys/bus/pci", "sys/bus/pnp", "dev", "by-id", "by-path", "aliases"})
            fs::create_directories(m_dir / folder);
    }

    PortMapRoots Roots() const
    {
        return {m_dir / "aliases", m_dir / "sys/class/tty", m_dir / "dev", m_dir / "by-id", m_dir / "by-path"};
    }

    // A terminal entry whose device is the given sysfs folder (none: virtual).
    std::string AddTty(const std::string& name, const std::string& device = {})
    {
        const std::string entry = m_dir / ("sys/class/tty/" + name);
        fs::create_directories(entry);
        if (!device.empty()) {
            fs::create_directories(m_dir / device);
            fs::create_symlink(m_dir / device, entry + "/device");
        }
        std::ofstream(m_dir / ("dev/" + name));
        return entry;
    }

    void AddUart(const std::string& name, int type, const std::string& bus = "pnp", const std::string& port = "0x3F8")
    {
        const std::string device = "sys/devices/" + bus + "0/" + name;
        const std::string entry = AddTty(name, device);
        std::ofstream(entry + "/type") << type << "\n";
        std::ofstream(entry + "/port") << port << "\n";
        fs::create_symlink(m_dir / ("sys/bus/" + bus), m_dir / (device + "/subsystem"));
    }

    void PlugUsb(const std::string& name, const UsbAdapter& adapter, const std::string& byId = {})
    {
        const std::string usb = "sys/devices/usb1/" + adapter.socket;
        const std::string interface = usb + "/" + adapter.socket + ":1." + std::to_string(adapter.interface);
        fs::create_directories(m_dir / interface);
        const auto attribute = [&](const std::string& folder, const char* file, const std::string& text) {
            if (!text.empty())
                std::ofstream(m_dir / (folder + "/" + file)) << text << "\n";
        };
        attribute(usb, "idVendor", adapter.ids.substr(0, 4));
        attribute(usb, "idProduct", adapter.ids.substr(5));
        attribute(usb, "product", adapter.product);
        attribute(usb, "manufacturer", adapter.manufacturer);
        attribute(usb, "serial", adapter.serial);
        attribute(interface, "bInterfaceNumber", "0" + std::to_string(adapter.interface));
        AddTty(name, adapter.modemClass ? interface : interface + "/" + name);
        if (!byId.empty())
            fs::create_symlink("../dev/" + name, m_dir / ("by-id/" + byId));
        const std::string byPath = "pci-usb-0:" + adapter.socket + ":1." + std::to_string(adapter.interface);
        fs::remove(m_dir / ("by-path/" + byPath));
        fs::create_symlink("../dev/" + name, m_dir / ("by-path/" + byPath));
    }

    void PlugAdapter(const std::string& name, const std::string& serial = {})
    {
        UsbAdapter adapter;
        adapter.socket = "1-" + std::to_string(++m_sockets);
        adapter.serial = serial;
        PlugUsb(name, adapter, serial.empty() ? std::string() : serial);
    }

    void Unplug(const std::string& name, const std::string& byId = {})
    {
        fs::remove_all(m_dir / ("sys/class/tty/" + name));
        fs::remove(m_dir / ("dev/" + name));
        if (!byId.empty())
            fs::remove(m_dir / ("by-id/" + byId));
        for (const auto& link : fs::directory_iterator(m_dir / "by-path")) {
            if (!fs::exists(link.path()))
                fs::remove(link.path());
        }
    }

    std::vector<std::string> Listed()
    {
        std::vector<std::string> names;
        for (const auto& entry : m_map.List())
            names.push_back(entry.name + "=" + entry.devicePath.substr(m_dir.Path().size()));
        return names;
    }

    std::vector<std::string> Described()
    {
        std::vector<std::string> texts;
        for (const auto& entry : m_map.List())
            texts.push_back(entry.name + " " + entry.description);
        return texts;
    }

    TempDir m_dir;
    PortMap m_map{Roots()};
    int m_sockets = 0;
};

using Names = std::vector<std::string>;

TEST_F(PortMapTest, OnBoardPortsWithHardwareOnlyInNumberOrder)
{
    AddUart("ttyS10", 4, "pci", "0xE000");
    AddUart("ttyS0", 4);
    AddUart("ttyS1", 0);  // a phantom: the driver found no chip
    AddUart("ttyS2", 4, "pnp", "0x3E8");
    AddTty("tty0");       // a virtual console: no device behind it
    AddTty("console");
    EXPECT_EQ(Listed(), (Names{"COM1=/dev/ttyS0", "COM3=/dev/ttyS2", "COM11=/dev/ttyS10"}));
    EXPECT_EQ(Described(), (Names{"COM1 Встроенный порт, адрес 0x3F8 (ttyS0)", "COM3 Встроенный порт, адрес 0x3E8 (ttyS2)",
                                  "COM11 Порт платы PCI, адрес 0xE000 (ttyS10)"}));
}

TEST_F(PortMapTest, EveryDriversPortsAreListedAndSayWhatTheyAre)
{
    AddUart("ttyS0", 4);
    UsbAdapter converter;
    converter.serial = "A1B2C3";
    PlugUsb("ttyUSB0", converter, "usb-converter-A1B2C3");
    UsbAdapter board;
    board.socket = "1-3";
    board.product = "Controller board";
    board.manufacturer = "Works";
    board.modemClass = true;
    PlugUsb("ttyACM0", board);
    UsbAdapter ownDriver;  // a vendor driver with a naming of its own
    ownDriver.socket = "1-4";
    ownDriver.product = "Isolated converter";
    ownDriver.serial = "77";
    PlugUsb("ttyABCUSB0", ownDriver);
    AddUart("ttySOC1", 91, "platform", "0x0");  // a system-on-chip UART
    EXPECT_EQ(Described(), (Names{"COM1 Встроенный порт, адрес 0x3F8 (ttyS0)",
                                  "COM2 Isolated converter, SN 77 (ttyABCUSB0)",
                                  "COM3 USB-RS485 converter, SN A1B2C3 (ttyUSB0)",
                                  "COM4 Controller board, Works (ttyACM0)",
                                  "COM5 Встроенный порт (ttySOC1)"}));
    EXPECT_EQ(Listed()[2], "COM3=/by-id/usb-converter-A1B2C3");
}

TEST_F(PortMapTest, MissingOrBrokenStringsStillDescribeTheAdapter)
{
    UsbAdapter bare;
    bare.product.clear();
    PlugUsb("ttyUSB0", bare);
    UsbAdapter broken;
    broken.socket = "1-3";
    broken.product = "Conv\xff\x01" "erter\t  2";
    broken.manufacturer = std::string(100, 'M');
    broken.serial = " 42 ";
    PlugUsb("ttyUSB1", broken);
    EXPECT_EQ(Described(), (Names{"COM1 USB-адаптер f00d:0001 (ttyUSB0)",
                                  "COM2 Conv\uFFFDerter 2, " + std::string(64, 'M') + ", SN 42 (ttyUSB1)"}));
}

TEST_F(PortMapTest, PortsOfOneAdapterAreNumbered)
{
    UsbAdapter quad;
    quad.serial = "Q1";
    for (int port = 0; port < 2; ++port) {
        quad.interface = port;
        PlugUsb("ttyUSB" + std::to_string(port), quad, "usb-quad-if0" + std::to_string(port));
    }
    EXPECT_EQ(Described(), (Names{"COM1 USB-RS485 converter, SN Q1, порт 1 (ttyUSB0)",
                                  "COM2 USB-RS485 converter, SN Q1, порт 2 (ttyUSB1)"}));
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

// Two adapters that say the same of themselves share one by-id name (udev
// points it at whichever came last): they are told apart by their sockets.
TEST_F(PortMapTest, TwinAdaptersKeepTheNumbersOfTheirSockets)
{
    UsbAdapter twin;
    twin.serial = "0001";
    PlugUsb("ttyUSB0", twin);
    twin.socket = "1-3";
    PlugUsb("ttyUSB1", twin, "usb-twin-0001");
    EXPECT_EQ(Listed(), (Names{"COM1=/by-path/pci-usb-0:1-2:1.0", "COM2=/by-path/pci-usb-0:1-3:1.0"}));

    // Both out, and back in with the kernel's indices swapped.
    Unplug("ttyUSB0");
    Unplug("ttyUSB1", "usb-twin-0001");
    EXPECT_TRUE(m_map.List().empty());
    PlugUsb("ttyUSB0", twin);  // into socket 1-3
    twin.socket = "1-2";
    PlugUsb("ttyUSB1", twin, "usb-twin-0001");
    const auto entries = m_map.List();
    ASSERT_EQ(entries.size(), 2U);
    EXPECT_EQ(entries[0].description, "USB-RS485 converter, SN 0001 (ttyUSB1)");
    EXPECT_EQ(entries[1].description, "USB-RS485 converter, SN 0001 (ttyUSB0)");
}

TEST_F(PortMapTest, AdapterWithoutStableNameIsListedByItsNode)
{
    PlugAdapter("ttyUSB0");
    fs::remove_all(m_dir / "by-path");
    const auto entries = m_map.List();
    ASSERT_EQ(entries.size(), 1U);
    EXPECT_EQ(entries[0], (PortEntry{"COM1", 1, m_dir / "dev/ttyUSB0", PortKind::Usb,
                                     "USB-RS485 converter (ttyUSB0)"}));
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
    EXPECT_EQ(entries[1].name, "COM2");
    EXPECT_EQ(entries[1].devicePath, m_dir / "by-id/usb-Adapter_A1");
    EXPECT_EQ(entries[2].name, "COM3");
}

}  // namespace
