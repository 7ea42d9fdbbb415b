// However a line write ends (Ctrl-C once, twice, three times, SIGTERM,
// SIGHUP, a full disk), every device it took up keeps its row in the table
// and its line in the report, the exit code is one of the documented ones,
// and the port is left as it was found.
#include <sys/ioctl.h>
#include <sys/mount.h>

#include "CliHarness.h"

namespace {

// The terminal still refuses others (TIOCEXCL) after the program has gone.
bool LeftExclusive(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);  // root passes the flag
    int exclusive = 0;
    const bool asked = fd >= 0 && ::ioctl(fd, TIOCGEXCL, &exclusive) == 0;
    if (fd >= 0) ::close(fd);
    return !asked || exclusive != 0;
}

std::string Sha256Of(const std::vector<uint8_t>& bytes)
{
    Sha256 hash;
    hash.Update(bytes.data(), bytes.size());
    return Sha256::Hex(hash.Finish());
}

class CliLineEnd : public CliEndToEnd {
protected:
    std::string MasterFile(const char* name, const std::vector<std::string>& areas)
    {
        std::string source = StartDevice(std::string("master-") + name, areas);
        EXPECT_EQ(Cli(source, {"save", File(name)}).code, 0);
        return File(name);
    }

    static const std::string& TotalsOf(const std::vector<std::string>& table) { return table.back(); }
};

const std::vector<std::string> kSlowAreas{"--baud", "9600", "--random-areas", "1:650,350,90,50"};

}  // namespace

// The last Ctrl-C of a loop (the third) while it waits for the next device:
// the device already written keeps its row and line, and the port is free.
TEST_F(CliLineEnd, TheLastCtrlCOfALoopStillGivesTheTableAndPutsThePortBack)
{
    const std::string master = MasterFile("m.klx41", kSmallAreas);
    const std::string report = File("loop.jsonl");
    std::unique_ptr<Child> device = PlugIn("a", 31, kOtherAreas);
    const std::string path = LinesOf(device->Out())[0];
    std::unique_ptr<Child> cli = StartCliWith({"--port", "COM31", "write", master, "--loop", "--report", report});
    ASSERT_TRUE(cli->WaitFor("ожидание отключения прибора", true)) << cli->Err();
    for (int press = 0; press < 3; ++press) cli->Signal(SIGINT);
    EXPECT_EQ(cli->WaitAtMost(std::chrono::seconds(10)), 0) << cli->Err();
    const std::vector<std::string> table = LinesOf(cli->Out());
    ASSERT_EQ(table.size(), 3u) << cli->Out();
    EXPECT_NE(table[1].find("выполнено"), std::string::npos) << table[1];
    EXPECT_EQ(TotalsOf(table), "Всего приборов: 1, выполнено: 1, ошибок: 0, отклонено: 0, отменено: 0");
    const std::vector<std::string> lines = LinesOf(ReadText(report));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(Field(lines[0], "result"), "done");
    EXPECT_EQ(Field(lines[0], "written"), "[0,16,40,64]");
    EXPECT_FALSE(LeftExclusive(path));
}

// A write stopped part way, by the second Ctrl-C without --loop or by
// SIGHUP: cancelled after its block, the row and the line name the areas
// the device holds from the file. The file replaced meanwhile changes
// nothing: the hash is that of what was loaded and written.
TEST_F(CliLineEnd, ASecondCtrlCOrSigHupCancelsAndNamesTheAreasAlreadyReplaced)
{
    for (const int signal : {SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        const std::string case_ = std::to_string(signal);
        const std::string master = MasterFile(("m" + case_ + ".klx41").c_str(), kSmallAreas);
        const std::string loaded = Sha256Of(FileBytes(master));
        const std::string report = File(("line" + case_ + ".jsonl").c_str());
        const std::string port = StartDevice("slow", kSlowAreas);
        std::unique_ptr<Child> cli =
            StartCliWith({"--port", port, "--baud", "9600", "write", master, "--report", report});
        ASSERT_TRUE(cli->WaitFor("Запись конфигурации... ", true)) << cli->Err();
        // Another configuration in the file's place while the line runs.
        const std::string other = MasterFile(("other" + case_ + ".klx41").c_str(), kOtherAreas);
        std::filesystem::rename(other, master);
        cli->Signal(signal);
        if (signal == SIGINT) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            cli->Signal(SIGINT);
        }
        EXPECT_EQ(cli->WaitAtMost(std::chrono::seconds(10)), 4) << cli->Err();
        const std::vector<std::string> table = LinesOf(cli->Out());
        ASSERT_EQ(table.size(), 3u) << cli->Out();
        EXPECT_NE(table[1].find("отменено"), std::string::npos) << table[1];
        EXPECT_NE(table[1].find("Из файла записаны области: 0."), std::string::npos) << table[1];
        const std::vector<std::string> lines = LinesOf(ReadText(report));
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(Field(lines[0], "result"), "cancelled");
        EXPECT_EQ(Field(lines[0], "written"), "[0]");
        EXPECT_EQ(Field(lines[0], "sha256"), loaded);
        EXPECT_FALSE(LeftExclusive(port));
        devices.clear();
    }
}

// SIGTERM while the device restarts: the worker is held in the restart
// wait, longer than the line waits; the device is recorded as interrupted
// with the three areas before it, the program ends promptly all the same
// and the port is put back from outside the worker.
TEST_F(CliLineEnd, SigTermDuringTheRestartWaitRecordsTheDeviceAsInterrupted)
{
    const std::string master = MasterFile("m.klx41", kSmallAreas);
    const std::string report = File("loop.jsonl");
    std::unique_ptr<Child> device = PlugIn("a", 32, kOtherAreas);
    const std::string path = LinesOf(device->Out())[0];
    std::unique_ptr<Child> cli = StartCliWith({"--port", "COM32", "write", master, "--loop", "--report", report});
    ASSERT_TRUE(cli->WaitFor("перезагрузка прибора", true)) << cli->Err();
    const auto signalled = std::chrono::steady_clock::now();
    cli->Signal(SIGTERM);
    EXPECT_EQ(cli->WaitAtMost(std::chrono::seconds(10)), 4) << cli->Err();
    EXPECT_LT(std::chrono::steady_clock::now() - signalled, std::chrono::milliseconds(5000));
    const std::vector<std::string> table = LinesOf(cli->Out());
    ASSERT_EQ(table.size(), 3u) << cli->Out();
    EXPECT_NE(table[1].find("KLX41"), std::string::npos) << table[1];
    EXPECT_NE(table[1].find("прервано"), std::string::npos) << table[1];
    EXPECT_NE(table[1].find("Из файла записаны области: 0, 16, 40."), std::string::npos) << table[1];
    EXPECT_EQ(TotalsOf(table), "Всего приборов: 1, выполнено: 0, ошибок: 0, отклонено: 0, отменено: 0, прервано: 1");
    const std::vector<std::string> lines = LinesOf(ReadText(report));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(Field(lines[0], "result"), "interrupted");
    EXPECT_EQ(Field(lines[0], "written"), "[0,16,40]");
    EXPECT_EQ(Field(lines[0], "model"), "KLX41");
    EXPECT_FALSE(LeftExclusive(path));
}

// The single-port commands end the same way: SIGTERM cancels after the
// block, the port is closed and free again.
TEST_F(CliLineEnd, SigTermEndsASingleSaveAndFreesThePort)
{
    const std::string port = StartDevice("slow", kSlowAreas);
    std::unique_ptr<Child> cli = StartCli(port, {"--baud", "9600", "save", File("s.klx41")});
    ASSERT_TRUE(cli->WaitFor("Cчитывание", true)) << cli->Err();
    cli->Signal(SIGTERM);
    EXPECT_EQ(cli->WaitAtMost(std::chrono::seconds(10)), 4) << cli->Err();
    EXPECT_NE(cli->Err().find("Отменено пользователем."), std::string::npos) << cli->Err();
    EXPECT_FALSE(std::filesystem::exists(File("s.klx41")));
    EXPECT_FALSE(LeftExclusive(port));
}

// A report on a file system that fills up: the devices whose lines could
// not be written are said on stderr and in the table, and once there is
// room again every line of the report parses.
TEST_F(CliLineEnd, AFullDiskLosesLinesVisiblyAndNeverGluesTwoRecords)
{
    const std::string master = MasterFile("m.klx41", kSmallAreas);
    const std::filesystem::path disk = folder.Path() / "small-disk";
    std::filesystem::create_directories(disk);
    if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=16k") != 0) {
        GTEST_SKIP() << "no tmpfs can be mounted here; the file layer's test plays the full disk";
    }
    struct Unmount {
        std::filesystem::path at;
        ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
    } unmount{disk};
    const std::string report = (disk / "line.jsonl").string();
    // 16 KiB, less a filler that leaves room for about one record.
    {
        std::ofstream filler(disk / "filler", std::ios::binary);
        filler << std::string(16 * 1024 - 4096, 'x');
    }
    {
        std::ofstream(report) << std::string(4096 - 500, ' ') << "\n";
    }
    std::vector<std::string> ports;
    for (const char* name : {"a", "b", "c"}) ports.push_back(StartDevice(name, kOtherAreas));
    std::unique_ptr<Child> cli = StartCliWith(
        {"--port", ports[0], "--port", ports[1], "--port", ports[2], "write", master, "--report", report});
    EXPECT_EQ(cli->Wait(), 1) << cli->Err();
    const std::vector<std::string> table = LinesOf(cli->Out());
    ASSERT_EQ(table.size(), 5u) << cli->Out();
    const auto lost = static_cast<std::size_t>(std::count_if(table.begin(), table.end(), [](const std::string& row) {
        return row.find("[строка отчёта не записана]") != std::string::npos;
    }));
    EXPECT_GE(lost, 1u) << cli->Out();
    std::size_t said = 0;
    for (std::size_t at = cli->Err().find("Не удалось дописать строку в файл отчёта."); at != std::string::npos;
         at = cli->Err().find("Не удалось дописать строку в файл отчёта.", at + 1))
        ++said;
    EXPECT_EQ(said, lost) << cli->Err();

    std::filesystem::remove(disk / "filler");
    cli = StartCliWith({"--port", ports[0], "write", master, "--report", report});
    EXPECT_EQ(cli->Wait(), 0) << cli->Err();
    const std::vector<std::string> lines = LinesOf(ReadText(report));
    ASSERT_EQ(lines.size(), 1u + (3u - lost) + 1u) << ReadText(report);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].front(), '{') << lines[i];
        EXPECT_EQ(lines[i].back(), '}') << lines[i];
        EXPECT_EQ(Field(lines[i], "result"), "done") << lines[i];
    }
}
