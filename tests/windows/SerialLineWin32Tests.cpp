#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/ProgramPath.h"
#include "platform/win32/Win32SerialLine.h"

namespace {

TEST(Win32SerialLineTest, PortNamesBecomeDeviceNames)
{
    Win32SerialLine line;
    EXPECT_EQ(line.DeviceNameOf("COM3"), L"\\\\.\\COM3");
    EXPECT_EQ(line.DeviceNameOf("com12"), L"\\\\.\\COM12");
    EXPECT_EQ(line.DeviceNameOf("\\\\.\\COM7"), L"\\\\.\\COM7");
    EXPECT_EQ(line.DeviceNameOf("\\\\.\\CNCA0"), L"\\\\.\\CNCA0");

    Win32SerialLine resolved([](uint32_t number) { return std::optional<std::string>("D:\\порт" + std::to_string(number)); });
    EXPECT_EQ(resolved.DeviceNameOf("COM2"), L"D:\\порт2");
}

TEST(Win32SerialLineTest, MissingPortFailsToOpenAsNotFound)
{
    Win32SerialLine line;
    EXPECT_FALSE(line.Open("COM250"));
    EXPECT_EQ(line.LastOpenError(), LineOpenError::NotFound);
    EXPECT_NE(line.LastOpenDetail().find("COM250"), std::string::npos);
    EXPECT_FALSE(line.IsOpen());

    // Everything on a closed line fails quietly.
    EXPECT_FALSE(line.ReadState());
    EXPECT_FALSE(line.SetTimeouts({20, 1, 264}));
    EXPECT_FALSE(line.SetRts(true));
    line.Purge();
    line.Write("x", 1);
    char buffer[4];
    const ReadOutcome outcome = line.Read(buffer, sizeof buffer);
    EXPECT_EQ(outcome.count, 0U);
    EXPECT_FALSE(outcome.endedEmpty);
    line.Close();
}

TEST(Win32SerialLineTest, FileThatIsNoSerialLineOpensButHasNoLineState)
{
    const auto path = std::filesystem::temp_directory_path()
        / ("mirrex-not-a-port-" + std::to_string(::GetCurrentProcessId()));
    std::ofstream(path) << "x";
    {
        Win32SerialLine line;
        ASSERT_TRUE(line.Open(path.string()));
        EXPECT_FALSE(line.ReadState());
        EXPECT_FALSE(line.ApplyFormat({9600, LineParity::None, LineStopBits::One, 8}));

        // The port is held without sharing while open.
        Win32SerialLine second;
        EXPECT_FALSE(second.Open(path.string()));
        EXPECT_EQ(second.LastOpenError(), LineOpenError::Busy);
    }
    std::filesystem::remove(path);
}

TEST(ProgramPathWin32Test, FolderIsEverythingBeforeTheLastSeparator)
{
    EXPECT_EQ(ProgramFolderOf("C:\\Program Files\\Mirrex\\mirrex.exe"), "C:\\Program Files\\Mirrex");
    EXPECT_EQ(ProgramFolderOf("C:/tools/mirrex.exe"), "C:/tools");
    EXPECT_EQ(ProgramFolderOf("mirrex.exe"), "mirrex.exe");

    const std::string self = ProgramFilePath();
    ASSERT_GT(self.size(), 4U);
    EXPECT_EQ(self.substr(self.size() - 4), ".exe");
    EXPECT_EQ(self.find('/'), std::string::npos);
}

}  // namespace
