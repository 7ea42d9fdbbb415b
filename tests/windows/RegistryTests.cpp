#include <gtest/gtest.h>

#include <cstdio>
#include <cwchar>
#include <optional>

#include <windows.h>
#include <setupapi.h>

#include "platform/PortMap.h"
#include "platform/win32/PortDescriptions.h"
#include "platform/win32/RegistryKeyStore.h"
#include "platform/win32/SerialCommPorts.h"
#include "platform/win32/WideText.h"
#include "settings/SettingsStore.h"
#include "ScratchKey.h"

namespace {

const char* const kValueNames[] = {"baud_rate", "parity", "stop_bits", "rs_type", "byte_size",
                                   "adress_len", "address", "com", "converter"};

class RegistryKeyStoreTest : public testing::Test {
protected:
    ScratchKey m_scratch;
    RegistryKeyStore m_store{m_scratch.Get()};
};

TEST_F(RegistryKeyStoreTest, WritingNeedsAnExistingKey)
{
    EXPECT_FALSE(m_store.KeyExists("Software\\Tolvar\\Mirrex"));
    EXPECT_FALSE(m_store.WriteDword("Software\\Tolvar\\Mirrex", "com", 3));
    EXPECT_FALSE(m_store.WriteString("Software\\Tolvar\\Mirrex", "path", "C:\\a"));
    EXPECT_FALSE(m_store.KeyExists("Software\\Tolvar\\Mirrex"));
    EXPECT_FALSE(m_store.ReadDword("Software\\Tolvar\\Mirrex", "com"));

    ASSERT_TRUE(m_store.CreateKey("Software\\Tolvar\\Mirrex"));
    EXPECT_TRUE(m_store.KeyExists("Software\\Tolvar\\Mirrex"));
    EXPECT_TRUE(m_store.CreateKey("Software\\Tolvar\\Mirrex"));
    EXPECT_FALSE(m_store.ReadDword("Software\\Tolvar\\Mirrex", "com"));
    EXPECT_TRUE(m_store.WriteDword("Software\\Tolvar\\Mirrex", "com", 3));
    EXPECT_EQ(m_store.ReadDword("Software\\Tolvar\\Mirrex", "com"), 3U);
}

TEST_F(RegistryKeyStoreTest, ValuesKeepTheirTypes)
{
    ASSERT_TRUE(m_store.CreateKey("K"));
    ASSERT_TRUE(m_store.WriteDword("K", "number", 0xfffffffeU));
    ASSERT_TRUE(m_store.WriteString("K", "text", "12"));
    EXPECT_EQ(m_scratch.TypeAndSize(L"K", L"number"), std::make_pair(DWORD{REG_DWORD}, DWORD{4}));
    EXPECT_EQ(m_store.ReadDword("K", "number"), 0xfffffffeU);
    EXPECT_FALSE(m_store.ReadString("K", "number"));
    EXPECT_FALSE(m_store.ReadDword("K", "text"));

    // A DWORD-sized value of another type is not a number.
    const DWORD raw = 7;
    m_scratch.SetRaw(L"K", L"binary", REG_BINARY, &raw, sizeof raw);
    EXPECT_FALSE(m_store.ReadDword("K", "binary"));
}

TEST_F(RegistryKeyStoreTest, TextsRoundTripInUnicode)
{
    ASSERT_TRUE(m_store.CreateKey("K"));
    const std::string path = "C:\\Проекты\\линия 1.klx41";
    ASSERT_TRUE(m_store.WriteString("K", "PAGE4_SaveToFile_Path_P4", path));
    EXPECT_EQ(m_scratch.TypeAndSize(L"K", L"PAGE4_SaveToFile_Path_P4").first, DWORD{REG_SZ});
    EXPECT_EQ(m_store.ReadString("K", "PAGE4_SaveToFile_Path_P4"), path);
    ASSERT_TRUE(m_store.WriteString("K", "empty", ""));
    EXPECT_EQ(m_store.ReadString("K", "empty"), "");
}

// Paths deeper than the classic 260 characters are kept whole, in the form
// the program writes (no terminating zero) and in the form other programs
// write (with one); a value of an odd size does not read past its end.
TEST_F(RegistryKeyStoreTest, TextsOfAnyLengthReadBackWhole)
{
    ASSERT_TRUE(m_store.CreateKey("K"));
    std::string deep = "C:\\Наладка";
    while (deep.size() < 5000) deep += "\\Линия 3";
    deep += "\\КЛХ41.klx41";
    ASSERT_TRUE(m_store.WriteString("K", "PAGE4_SaveToFile_Path_P4", deep));
    EXPECT_EQ(m_store.ReadString("K", "PAGE4_SaveToFile_Path_P4"), deep);

    for (std::size_t length : {259u, 260u, 261u, 70000u}) {
        const std::wstring text(length, L'Ж');
        m_scratch.SetText(L"K", L"terminated", text);
        EXPECT_EQ(m_store.ReadString("K", "terminated"), Utf8Of(text)) << length;
        m_scratch.SetRaw(L"K", L"bare", REG_SZ, text.data(), static_cast<DWORD>(length * sizeof(wchar_t)));
        EXPECT_EQ(m_store.ReadString("K", "bare"), Utf8Of(text)) << length;
    }
    const std::wstring odd = L"abc";
    m_scratch.SetRaw(L"K", L"odd", REG_SZ, odd.data(), 5);
    EXPECT_EQ(m_store.ReadString("K", "odd"), "ab");
}

// The settings record over the registry: what a first run, a save and a
// damaged key leave behind.
TEST_F(RegistryKeyStoreTest, SettingsLoadAndSaveThroughTheRegistry)
{
    PortMap ports;
    SettingsStore settings(m_store, ports);
    settings.Load();
    EXPECT_EQ(settings.GetRecord(), DefaultCommSettings());
    ASSERT_TRUE(m_store.KeyExists(kMirrexKey));
    for (const char* name : kValueNames)
        EXPECT_FALSE(m_store.ReadDword(kMirrexKey, name)) << name;

    CommSettings record = DefaultCommSettings();
    record.com = 4;
    record.baud_rate = 9600;
    record.parity = 2;
    settings.SetRecord(record);
    settings.Save();
    for (const char* name : kValueNames)
        EXPECT_EQ(m_scratch.TypeAndSize(L"Software\\Tolvar\\Mirrex", WideOf(name)).first, DWORD{REG_DWORD}) << name;

    SettingsStore reloaded(m_store, ports);
    reloaded.Load();
    EXPECT_EQ(reloaded.GetRecord(), record);
}

TEST_F(RegistryKeyStoreTest, SettingsWithoutBaudRateAreRewrittenWithDefaults)
{
    ASSERT_TRUE(m_store.CreateKey(kMirrexKey));
    ASSERT_TRUE(m_store.WriteDword(kMirrexKey, "com", 7));
    ASSERT_TRUE(m_store.WriteDword(kMirrexKey, "parity", 257));
    PortMap ports;
    SettingsStore settings(m_store, ports);
    settings.Load();
    EXPECT_EQ(m_store.ReadDword(kMirrexKey, "baud_rate"), 115200U);
    EXPECT_EQ(m_store.ReadDword(kMirrexKey, "com"), 1U);
    EXPECT_EQ(settings.GetRecord(), DefaultCommSettings());
}

class SerialCommTest : public testing::Test {
protected:
    ScratchKey m_scratch;
};

TEST_F(SerialCommTest, PortNamesInEnumerationOrderWithOddValuesSkipped)
{
    const DWORD number = 5;
    m_scratch.SetText(L"MAP", L"\\Device\\Serial0", L"COM3");
    m_scratch.SetText(L"MAP", L"\\Device\\Serial1", L"COM1");
    m_scratch.SetRaw(L"MAP", L"\\Device\\Serial2", REG_DWORD, &number, sizeof number);
    m_scratch.SetText(L"MAP", L"\\Device\\Serial3", L"");
    m_scratch.SetText(L"MAP", L"\\Device\\Serial4", std::wstring(kMaxPortNameLength, L'P'));
    m_scratch.SetText(L"MAP", L"\\Device\\Serial5", std::wstring(kMaxPortNameLength + 1, L'Q'));
    // Stored without a terminating zero, filling the data buffer exactly.
    const std::wstring unterminated(kMaxPortNameLength + 1, L'R');
    m_scratch.SetRaw(L"MAP", L"\\Device\\Serial6", REG_SZ, unterminated.data(),
                     static_cast<DWORD>(unterminated.size() * sizeof(wchar_t)));
    m_scratch.SetText(L"MAP", L"\\Device\\Serial7", L"COM3");
    m_scratch.SetText(L"MAP", L"\\Device\\" + std::wstring(300, L'S'), L"COM9");

    const auto names = SerialPortNames(m_scratch.Get(), L"MAP");
    ASSERT_TRUE(names);
    EXPECT_EQ(*names, (std::vector<SerialPortName>{{"COM3", "\\Device\\Serial0"},
                                                   {"COM1", "\\Device\\Serial1"},
                                                   {std::string(kMaxPortNameLength, 'P'), "\\Device\\Serial4"},
                                                   {"COM3", "\\Device\\Serial7"}}));
}

TEST_F(SerialCommTest, MissingKeyIsToldApartFromAnEmptyOne)
{
    EXPECT_FALSE(SerialPortNames(m_scratch.Get(), L"MAP"));
    m_scratch.SetText(L"MAP", L"unused", L"");
    const auto names = SerialPortNames(m_scratch.Get(), L"MAP");
    ASSERT_TRUE(names);
    EXPECT_TRUE(names->empty());
}

// What the Plug and Play names look like, and what the list makes of them.
TEST(PortDescriptionTest, FriendlyNameLosesThePortAndGainsTheManufacturer)
{
    EXPECT_EQ(PortDescriptionOf("COM3", "USB Serial Port (COM3)", "Acme"), "USB Serial Port, Acme");
    EXPECT_EQ(PortDescriptionOf("com12", "Последовательный порт (COM12)", "(Стандартные порты)"),
              "Последовательный порт, (Стандартные порты)");
    // Another port's number in the name, or none, stays.
    EXPECT_EQ(PortDescriptionOf("COM3", "Adapter (COM31)", ""), "Adapter (COM31)");
    EXPECT_EQ(PortDescriptionOf("COM4", "Acme RS-485 Converter (COM4)", "Acme"), "Acme RS-485 Converter");
    EXPECT_EQ(PortDescriptionOf("COM4", "", "Acme"), "Acme");
    EXPECT_EQ(PortDescriptionOf("COM4", "", ""), "");
}

// Every port of the system's device map is listed and described: by Plug
// and Play where the system knows the device, else by the driver's device
// the map names (all that an emulated system may have).
TEST(PortDescriptionTest, EveryListedPortIsDescribed)
{
    const auto mapped = SerialPortNames(HKEY_LOCAL_MACHINE, kSerialCommKey).value_or(std::vector<SerialPortName>());
    const auto described = PlugAndPlayPortDescriptions();
    const auto listed = PortMap().List();
    ASSERT_EQ(listed.size(), mapped.size());
    for (std::size_t i = 0; i < listed.size(); ++i) {
        const auto found = described.find(PortKey(mapped[i].name));
        EXPECT_EQ(listed[i].description, found != described.end() ? found->second : mapped[i].mapEntry)
            << listed[i].name;
        EXPECT_FALSE(listed[i].description.empty()) << listed[i].name;
    }
    for (const auto& [port, text] : described)
        std::printf("Plug and Play: %s: %s\n", port.c_str(), text.c_str());
    for (const auto& entry : listed)
        std::printf("listed: %s: %s\n", entry.name.c_str(), entry.description.c_str());
}

}  // namespace

namespace {

// A port of the Ports class registered for the test, as a USB adapter's
// driver registers its port: the port name and the latency timer in the
// device's hardware key. Removed again at the end.
class RegisteredPort {
public:
    RegisteredPort(const wchar_t* portName, std::optional<DWORD> latencyMs)
    {
        static constexpr GUID kPorts = {0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
        m_set = ::SetupDiCreateDeviceInfoList(&kPorts, nullptr);
        m_device.cbSize = sizeof m_device;
        if (m_set == INVALID_HANDLE_VALUE
            || !::SetupDiCreateDeviceInfoW(m_set, L"PORTS", &kPorts, nullptr, nullptr, DICD_GENERATE_ID, &m_device)
            || !::SetupDiRegisterDeviceInfo(m_set, &m_device, 0, nullptr, nullptr, nullptr))
            return;
        m_registered = true;
        const HKEY key = ::SetupDiCreateDevRegKeyW(m_set, &m_device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, nullptr, nullptr);
        if (key == INVALID_HANDLE_VALUE)
            return;
        ::RegSetValueExW(key, L"PortName", 0, REG_SZ, reinterpret_cast<const BYTE*>(portName),
                         static_cast<DWORD>((std::wcslen(portName) + 1) * sizeof(wchar_t)));
        if (latencyMs)
            ::RegSetValueExW(key, L"LatencyTimer", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&*latencyMs),
                             sizeof(DWORD));
        ::RegCloseKey(key);
        m_ready = true;
    }
    ~RegisteredPort()
    {
        if (m_registered)
            ::SetupDiRemoveDevice(m_set, &m_device);
        if (m_set != INVALID_HANDLE_VALUE)
            ::SetupDiDestroyDeviceInfoList(m_set);
    }
    RegisteredPort(const RegisteredPort&) = delete;
    RegisteredPort& operator=(const RegisteredPort&) = delete;
    bool Ready() const { return m_ready; }

private:
    HDEVINFO m_set = INVALID_HANDLE_VALUE;
    SP_DEVINFO_DATA m_device{};
    bool m_registered = false;
    bool m_ready = false;
};

}  // namespace

// The latency timer is read where the adapter's driver keeps it, for the
// port of that name in any spelling; a port without one, or none by that
// name, tells nothing (and the search then assumes the usual 16 ms).
TEST(PortDescriptionTest, LatencyTimerIsReadFromThePortsDeviceParameters)
{
    const RegisteredPort adapter(L"COM77", 2);
    const RegisteredPort plain(L"COM78", std::nullopt);
    ASSERT_TRUE(adapter.Ready() && plain.Ready()) << "could not register a port: " << ::GetLastError();
    EXPECT_EQ(PortLatencyTimerMs("COM77"), 2u);
    EXPECT_EQ(PortLatencyTimerMs("com77"), 2u);
    EXPECT_EQ(PortLatencyTimerMs("COM78"), std::nullopt);
    EXPECT_EQ(PortLatencyTimerMs("COM79"), std::nullopt);
}
