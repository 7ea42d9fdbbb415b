// mirrex-cli writing on a production line: several simulated devices at
// once, devices plugged in and out during --loop, the report file.
#include "CliHarness.h"

namespace {

std::size_t Count(const std::string& text, const std::string& what)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

class CliLine : public CliEndToEnd {
protected:
    // A configuration file saved from a device of its own.
    std::string MasterFile()
    {
        std::string source = StartDevice("master", kSmallAreas);
        EXPECT_EQ(Cli(source, {"save", File("m.klx41")}).code, 0);
        return File("m.klx41");
    }
    std::string Sha256Of(const std::string& path) const
    {
        std::vector<uint8_t> bytes = FileBytes(path);
        Sha256 hash;
        hash.Update(bytes.data(), bytes.size());
        return Sha256::Hex(hash.Finish());
    }
    bool WaitForLines(const std::string& path, std::size_t count, std::chrono::seconds limit) const
    {
        const auto until = std::chrono::steady_clock::now() + limit;
        while (LinesOf(ReadText(path)).size() < count) {
            if (std::chrono::steady_clock::now() > until) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return true;
    }
};

}  // namespace

TEST_F(CliLine, ThreePortsAtOnceEachGetTheWholeFile)
{
    const std::string master = MasterFile();
    std::vector<std::string> ports{StartDevice("a", {"--random-areas", "1:650,350,90,50"}),
                                   StartDevice("b", {"--random-areas", "2:650,350,90,50"}),
                                   StartDevice("c", {"--random-areas", "3:650,350,90,50"})};
    const std::string report = File("line.jsonl");
    std::unique_ptr<Child> cli = StartCliWith({"--port", ports[0], "--port", ports[1], "--port", ports[2], "write",
                                               master, "--set-clock", "--report", report});
    EXPECT_EQ(cli->Wait(), 0) << cli->Err();
    for (const char* device : {"a", "b", "c"}) EXPECT_EQ(AreasOfDevice(device), AreasOfFile(master)) << device;

    const std::vector<std::string> table = LinesOf(cli->Out());
    ASSERT_EQ(table.size(), 5u) << cli->Out();
    EXPECT_EQ(table[0].rfind("Порт", 0), 0u);
    for (int row = 1; row <= 3; ++row) {
        EXPECT_EQ(table[row].rfind(ports[row - 1], 0), 0u) << table[row];
        EXPECT_NE(table[row].find("KLX41"), std::string::npos);
        EXPECT_NE(table[row].find("выполнено"), std::string::npos);
    }
    EXPECT_EQ(table[4], "Всего приборов: 3, выполнено: 3, ошибок: 0, отклонено: 0, отменено: 0");
    EXPECT_EQ(Count(cli->Err(), "Дата и время в приборе: "), 3u) << cli->Err();

    const std::vector<std::string> lines = LinesOf(ReadText(report));
    ASSERT_EQ(lines.size(), 3u);
    for (const std::string& line : lines) {
        EXPECT_EQ(Field(line, "result"), "done") << line;
        EXPECT_EQ(Field(line, "model"), "KLX41");
        EXPECT_EQ(Field(line, "version"), "1.0");
        EXPECT_EQ(Field(line, "file"), master);
        EXPECT_EQ(Field(line, "sha256"), Sha256Of(master));
        EXPECT_NE(line.find("\"sizes\":[700,300,100,40]"), std::string::npos);
        EXPECT_NE(line.find("\"verify\":true,\"rewrites\":[0,0,0,0],\"repeats\":[0,0,0,0],\"clock\":true"), std::string::npos);
        EXPECT_EQ(Field(line, "time").size(), 25u) << line;  // 2009-03-05T07:04:09+03:00
        EXPECT_EQ(Field(line, "port"), Field(line, "device"));
    }
}

TEST_F(CliLine, OnePortsFailureLeavesTheOthersAndTheWorstResultIsTheExitCode)
{
    const std::string master = MasterFile();
    const std::string foreign = StartDevice("x", {"--model", "XYZ"});
    const std::string vanishing = StartDevice("v", {"--vanish-after", "30", "--random-areas", "4:650,350,90,50"});
    const std::string good = StartDevice("g", {"--random-areas", "5:650,350,90,50"});
    const std::string missing = (folder.Path() / "no-such-port").string();
    const std::string newer = StartDevice("n", {"--version", "2.0"});
    const std::string report = File("line.jsonl");
    std::unique_ptr<Child> cli = StartCliWith({"--port", foreign, "--port", vanishing, "--port", good, "--port",
                                               missing, "--port", newer, "write", master, "--report", report});
    EXPECT_EQ(cli->Wait(), 1) << cli->Err();
    EXPECT_EQ(AreasOfDevice("g"), AreasOfFile(master));
    EXPECT_NE(AreasOfDevice("v"), AreasOfFile(master));

    const std::vector<std::string> table = LinesOf(cli->Out());
    ASSERT_EQ(table.size(), 7u) << cli->Out();
    EXPECT_NE(table[1].find("XYZ"), std::string::npos);
    EXPECT_NE(table[1].find("отклонено"), std::string::npos);
    EXPECT_NE(table[2].find("ошибка"), std::string::npos);
    EXPECT_NE(table[2].find("Не удалось записать программу CoDeSys"), std::string::npos) << table[2];
    EXPECT_NE(table[3].find("выполнено"), std::string::npos);
    // The port that did not open says why on its own line.
    EXPECT_EQ(table[4].rfind(missing, 0), 0u);
    EXPECT_NE(table[4].find("Не удалось открыть COM-порт."), std::string::npos) << table[4];
    // Nobody can be asked about the other version: No, for that port alone.
    EXPECT_NE(table[5].find("2.0"), std::string::npos);
    EXPECT_NE(table[5].find("Произвести запись? Нет"), std::string::npos) << table[5];
    EXPECT_EQ(table[6], "Всего приборов: 5, выполнено: 1, ошибок: 3, отклонено: 1, отменено: 0");

    std::map<std::string, std::string> results;
    for (const std::string& line : LinesOf(ReadText(report))) results[Field(line, "port")] = Field(line, "result");
    EXPECT_EQ(results, (std::map<std::string, std::string>{
                           {foreign, "refused"}, {vanishing, "failed"}, {good, "done"}, {missing, "failed"}, {newer, "failed"}}));
}

TEST_F(CliLine, TheLoopWritesEachDeviceConnectedOnce)
{
    const std::string master = MasterFile();
    const std::string report = File("loop.jsonl");
    std::unique_ptr<Child> first = PlugIn("a1", 21, {"--random-areas", "1:650,350,90,50"});
    std::unique_ptr<Child> second = PlugIn("a2", 22, {"--random-areas", "2:650,350,90,50"});
    std::unique_ptr<Child> cli = StartCliWith(
        {"--port", "COM21", "--port", "COM22", "write", master, "--loop", "--count", "4", "--report", report});
    ASSERT_TRUE(WaitForLines(report, 2, std::chrono::seconds(60))) << cli->Err();
    // Still connected and answering: not written again.
    std::this_thread::sleep_for(std::chrono::seconds(3));
    EXPECT_EQ(LinesOf(ReadText(report)).size(), 2u);
    first.reset();
    second.reset();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    first = PlugIn("b1", 21, {"--random-areas", "3:650,350,90,50"});
    second = PlugIn("b2", 22, {"--random-areas", "4:650,350,90,50"});
    EXPECT_EQ(cli->WaitAtMost(std::chrono::seconds(60)), 0) << cli->Err();
    for (const char* device : {"a1", "a2", "b1", "b2"}) EXPECT_EQ(AreasOfDevice(device), AreasOfFile(master)) << device;
    const std::vector<std::string> lines = LinesOf(ReadText(report));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(Count(ReadText(report), "\"port\":\"COM21\""), 2u);
    EXPECT_EQ(Count(ReadText(report), "\"result\":\"done\""), 4u);
    EXPECT_NE(cli->Out().find("Всего приборов: 4, выполнено: 4"), std::string::npos) << cli->Out();
    // Waiting asks quietly; a port that went away with its device says so.
    EXPECT_EQ(cli->Err().find("Параметр 'dev'"), std::string::npos) << cli->Err();
    EXPECT_NE(cli->Err().find("COM21: порт недоступен, ожидание порта"), std::string::npos) << cli->Err();
}

TEST_F(CliLine, CtrlCInTheLoopFinishesTheWriteAndASecondCancelsIt)
{
    const std::string master = MasterFile();
    const std::string report = File("loop.jsonl");
    std::unique_ptr<Child> device = PlugIn("a", 23, {"--baud", "9600", "--random-areas", "1:650,350,90,50"});
    std::unique_ptr<Child> cli =
        StartCliWith({"--port", "COM23", "--baud", "9600", "write", master, "--loop", "--report", report});
    ASSERT_TRUE(cli->WaitFor("Запись конфигурации... ", true)) << cli->Err();
    cli->Signal(SIGINT);
    EXPECT_EQ(cli->WaitAtMost(std::chrono::seconds(90)), 0) << cli->Err();
    EXPECT_NE(cli->Err().find("Ctrl-C: новые приборы не принимаются"), std::string::npos) << cli->Err();
    EXPECT_EQ(AreasOfDevice("a"), AreasOfFile(master));
    EXPECT_EQ(Field(ReadText(report), "result"), "done");

    device = PlugIn("b", 24, {"--baud", "9600", "--random-areas", "2:650,350,90,50"});
    std::vector<std::vector<uint8_t>> before = AreasOfDevice("b");
    cli = StartCliWith({"--port", "COM24", "--baud", "9600", "write", master, "--loop", "--report", report});
    ASSERT_TRUE(cli->WaitFor("Запись конфигурации... ", true)) << cli->Err();
    cli->Signal(SIGINT);
    ASSERT_TRUE(cli->WaitFor("Ctrl-C:", true));
    cli->Signal(SIGINT);
    EXPECT_EQ(cli->WaitAtMost(std::chrono::seconds(30)), 4) << cli->Err();
    EXPECT_EQ(AreasOfDevice("b")[1], before[1]);
    const std::vector<std::string> lines = LinesOf(ReadText(report));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(Field(lines[1], "result"), "cancelled");

    // Before any device: nothing was written, and the line says so.
    cli = StartCliWith({"--port", "COM29", "write", master, "--loop", "--report", report});
    ASSERT_TRUE(cli->WaitFor("COM29: порт недоступен", true)) << cli->Err();
    cli->Signal(SIGINT);
    EXPECT_EQ(cli->WaitAtMost(std::chrono::seconds(10)), 4) << cli->Err();
    EXPECT_NE(cli->Out().find("Всего приборов: 0, выполнено: 0"), std::string::npos) << cli->Out();
    EXPECT_EQ(LinesOf(ReadText(report)).size(), 2u);
}

TEST_F(CliLine, TwoProcessesAppendToOneReportWithoutMixingLines)
{
    const std::string master = MasterFile();
    const std::string report = File("shared.jsonl");
    { std::ofstream(report) << "{\"earlier\":true}\n"; }
    std::vector<std::string> ports;
    for (const char* name : {"a", "b", "c", "d"}) ports.push_back(StartDevice(name, kOtherAreas));
    std::unique_ptr<Child> one =
        StartCliWith({"--port", ports[0], "--port", ports[1], "write", master, "--no-verify", "--report", report});
    std::unique_ptr<Child> two =
        StartCliWith({"--port", ports[2], "--port", ports[3], "write", master, "--no-verify", "--report", report});
    EXPECT_EQ(one->Wait(), 0) << one->Err();
    EXPECT_EQ(two->Wait(), 0) << two->Err();
    const std::vector<std::string> lines = LinesOf(ReadText(report));
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "{\"earlier\":true}");
    std::set<std::string> seen;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].front(), '{');
        EXPECT_EQ(lines[i].back(), '}');
        EXPECT_EQ(Count(lines[i], "\"time\":"), 1u) << lines[i];
        EXPECT_EQ(Field(lines[i], "rewrites"), "null");
        seen.insert(Field(lines[i], "port"));
    }
    EXPECT_EQ(seen, std::set<std::string>(ports.begin(), ports.end()));
}

TEST_F(CliLine, BadLinesAreRefusedBeforeAnyDeviceIsTouched)
{
    const std::string master = MasterFile();
    const std::string log = File("requests.log");
    std::unique_ptr<Child> device = PlugIn("a", 25, {"--log-requests", log});
    const std::string path = LinesOf(device->Out())[0];

    Result twice = Cli("COM25", {"--port", "COM25", "write", master});
    EXPECT_EQ(twice.code, 2);
    EXPECT_NE(twice.err.find("--port COM25 (порт указан дважды)"), std::string::npos) << twice.err;
    Result sameByPath = Cli("COM25", {"--port", path, "write", master});
    EXPECT_EQ(sameByPath.code, 2);
    EXPECT_NE(sameByPath.err.find("--port " + path + " (это тот же порт, что и COM25)"), std::string::npos)
        << sameByPath.err;
    EXPECT_EQ(Cli("COM25", {"--port", "COM26", "save", File("x.klx41")}).code, 2);
    EXPECT_EQ(Cli("COM25", {"--port", "COM26", "identify"}).code, 2);
    EXPECT_EQ(Cli("COM25", {"write", master, "--count", "2"}).code, 2);

    for (const std::string& unwritable : {folder.Path().string(), File("no-such-folder/report.jsonl")}) {
        Result refused = Cli("COM25", {"write", master, "--report", unwritable});
        EXPECT_EQ(refused.code, 1);
        EXPECT_NE(refused.err.find("Файл отчёта не удаётся открыть для записи: " + unwritable), std::string::npos)
            << refused.err;
    }
    EXPECT_NE(Cli("COM25", {"write", master, "--report", File("no-such-folder/report.jsonl")})
                  .err.find("report.jsonl: папки, в которой должен быть файл, нет. "),
              std::string::npos);
    EXPECT_EQ(ReadText(log), "");
}

TEST_F(CliLine, AnAuditStationComparesEveryDevicePluggedInAndWritesNone)
{
    const std::string master = MasterFile();
    const std::string report = File("audit.jsonl");
    const std::string log = File("audit.log");
    std::unique_ptr<Child> same = PlugIn("s", 31, {"--random-areas", "11:700,300,100,40", "--log-requests", log});
    std::unique_ptr<Child> other = PlugIn("o", 32, kOtherAreas);
    std::unique_ptr<Child> model = PlugIn("m", 33, {"--model", "КЛХ41", "--random-areas", "11:700,300,100,40"});
    std::unique_ptr<Child> cli = StartCliWith({"--port", "COM31", "--port", "COM32", "--port", "COM33", "compare",
                                               master, "--loop", "--count", "3", "--report", report});
    EXPECT_EQ(cli->WaitAtMost(std::chrono::seconds(90)), 6) << cli->Err();
    std::map<std::string, std::string> lines;
    for (const std::string& line : LinesOf(ReadText(report))) lines[Field(line, "port")] = line;
    ASSERT_EQ(lines.size(), 3u) << ReadText(report);
    EXPECT_EQ(Field(lines["COM31"], "result"), "same");
    EXPECT_NE(lines["COM31"].find("\"differs\":{\"model\":false,\"version\":false,\"areas\":[]}"), std::string::npos);
    EXPECT_EQ(Field(lines["COM32"], "result"), "different");
    EXPECT_NE(lines["COM32"].find("\"differs\":{\"model\":false,\"version\":false,\"areas\":[0,16,40,64]}"),
              std::string::npos) << lines["COM32"];
    EXPECT_EQ(Field(lines["COM33"], "result"), "different");
    EXPECT_EQ(Field(lines["COM33"], "model"), "КЛХ41");
    EXPECT_NE(lines["COM33"].find("\"differs\":{\"model\":true,\"version\":false,\"areas\":[]}"), std::string::npos);
    EXPECT_NE(cli->Out().find("совпадает: 1, отличается: 2"), std::string::npos) << cli->Out();
    EXPECT_NE(cli->Out().find("(области 0 16 40 64)"), std::string::npos) << cli->Out();
    char written[8];
    std::snprintf(written, sizeof written, "%04x ", Hash("P.W.R.T."));
    EXPECT_EQ(ReadText(log).find(written), std::string::npos);
    EXPECT_NE(AreasOfDevice("o"), AreasOfFile(master));
}

TEST_F(CliLine, TheReportNamesEachBackupAndADeviceLeftAloneIsSame)
{
    const std::string master = MasterFile();
    const std::string same = StartDevice("s", kSmallAreas);
    const std::string other = StartDevice("o", kOtherAreas);
    const std::vector<std::vector<uint8_t>> before = AreasOfDevice("o");
    const std::string backups = File("backups");
    std::filesystem::create_directories(backups);
    const std::string report = File("line.jsonl");
    std::unique_ptr<Child> cli = StartCliWith({"--port", same, "--port", other, "write", master, "--backup", backups,
                                               "--skip-same", "--report", report});
    EXPECT_EQ(cli->Wait(), 0) << cli->Err();
    std::map<std::string, std::string> lines;
    for (const std::string& line : LinesOf(ReadText(report))) lines[Field(line, "port")] = line;
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(Field(lines[same], "result"), "same");
    EXPECT_EQ(Field(lines[other], "result"), "done");
    // The message stays what became of the write, the backup is its own field.
    EXPECT_EQ(Field(lines[other], "message"), "Проверка: содержимое прибора совпадает с файлом. ");
    for (const auto& [port, line] : lines) {
        const std::string backup = Field(line, "backup");
        EXPECT_EQ(backup.rfind(backups + "/KLX41_1.0_", 0), 0u) << line;
        EXPECT_TRUE(std::filesystem::exists(backup)) << backup;
    }
    EXPECT_EQ(AreasOfFile(Field(lines[other], "backup")), before);
    EXPECT_EQ(AreasOfDevice("o"), AreasOfFile(master));
    EXPECT_NE(cli->Out().find("совпадает: 1"), std::string::npos) << cli->Out();

    // Without --backup the field is null.
    cli = StartCliWith({"--port", same, "write", master, "--skip-same", "--report", report});
    EXPECT_EQ(cli->Wait(), 0) << cli->Err();
    EXPECT_EQ(Field(LinesOf(ReadText(report)).back(), "backup"), "null");
}
