// mirrex-cli looking before it overwrites: compare and diff, write with a
// backup of the device and with --skip-same, against mirrex-devsim.
#include <sys/stat.h>

#include "CliHarness.h"

namespace {

// Whether the device's request log holds a request that changes it: a
// block write, a restart or a clock set.
bool HeardAWrite(const std::string& log)
{
    char written[8];
    char restarted[8];
    char clock[8];
    std::snprintf(written, sizeof written, "%04x ", Hash("P.W.R.T."));
    std::snprintf(restarted, sizeof restarted, "%04x ", Hash("P.R.S.T."));
    std::snprintf(clock, sizeof clock, "%04x W", Hash("rtC"));
    std::istringstream lines(ReadText(log));
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(written, 0) == 0 || line.rfind(restarted, 0) == 0 || line.rfind(clock, 0) == 0) return true;
    }
    return false;
}

class CliCompare : public CliEndToEnd {
protected:
    std::string Master()
    {
        const std::string source = StartDevice("master", kSmallAreas);
        EXPECT_EQ(Cli(source, {"save", File("m.klx41")}).code, 0);
        return File("m.klx41");
    }
    // Area files of the master's configuration with one byte of area 40
    // changed, for a device to start from.
    std::string AreasWithOneByteChanged(const std::string& master, const std::string& name)
    {
        std::vector<std::vector<uint8_t>> areas = AreasOfFile(master);
        areas[2][17] ^= 0x01;
        const std::filesystem::path dir = folder.Path() / name;
        std::filesystem::create_directories(dir);
        const int numbers[4] = {0, 16, 40, 64};
        for (int index = 0; index < 4; ++index) {
            std::ofstream(dir / ("config_" + std::to_string(numbers[index]) + ".dat"), std::ios::binary)
                .write(reinterpret_cast<const char*>(areas[index].data()), static_cast<std::streamsize>(areas[index].size()));
        }
        return dir.string();
    }
    std::vector<std::filesystem::path> FilesIn(const std::string& dir) const
    {
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(dir)) files.push_back(entry.path());
        return files;
    }
};

}  // namespace

TEST_F(CliCompare, CompareTellsAMatchingDeviceFromOneThatDiffersWithoutWritingEither)
{
    const std::string master = Master();
    const std::string sameLog = File("same.log");
    const std::string same = StartDevice("s", {"--random-areas", "11:700,300,100,40", "--log-requests", sameLog});
    Result result = Cli(same, {"compare", master});
    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_NE(result.out.find("Область 40: совпадает (100 байт)"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("Результат: совпадает с файлом. "), std::string::npos);
    EXPECT_FALSE(HeardAWrite(sameLog));

    const std::string byteLog = File("byte.log");
    const std::string changed =
        StartDevice("b", {"--areas", AreasWithOneByteChanged(master, "b-areas"), "--log-requests", byteLog});
    const std::vector<std::vector<uint8_t>> before = AreasOfDevice("b");
    result = Cli(changed, {"compare", master});
    EXPECT_EQ(result.code, 6) << result.err;
    EXPECT_NE(result.out.find("Область 40: отличается, различных байт: 1 / 100, первые различия со смещения: 17\n"),
              std::string::npos) << result.out;
    EXPECT_NE(result.out.find("Область 16: совпадает"), std::string::npos);
    EXPECT_NE(result.out.find("Результат: отличается от файла. "), std::string::npos);
    EXPECT_FALSE(HeardAWrite(byteLog));
    EXPECT_EQ(AreasOfDevice("b"), before);

    // Another model with the same areas differs in its model alone.
    const std::string other = StartDevice("o", {"--model", "КЛХ41", "--random-areas", "11:700,300,100,40"});
    result = Cli(other, {"compare", master});
    EXPECT_EQ(result.code, 6);
    EXPECT_NE(result.out.find("Модель: отличается: в файле KLX41, в приборе КЛХ41\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("Область 0: совпадает"), std::string::npos);

    // What a write would refuse, a port that does not open, a device that
    // vanishes while it is read: told, as a write tells them.
    const Source empty({0, 300, 100, 40});
    const std::string refused = File("empty.klx41");
    std::ofstream(refused, std::ios::binary)
        .write(reinterpret_cast<const char*>(empty.image.data()), static_cast<std::streamsize>(empty.image.size()));
    const std::string quietLog = File("quiet.log");
    const std::string quiet = StartDevice("q", {"--log-requests", quietLog});
    result = Cli(quiet, {"compare", refused});
    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(result.err, "Не удалось записать программу CoDeSys. \n");
    EXPECT_EQ(ReadText(quietLog), "");
    EXPECT_EQ(Cli((folder.Path() / "no-such-port").string(), {"compare", master}).code, 1);
    const std::string vanishing = StartDevice("v", {"--vanish-after", "30", "--random-areas", "11:700,300,100,40"});
    result = Cli(vanishing, {"compare", master});
    EXPECT_EQ(result.code, 1);
    EXPECT_NE(result.err.find("Не удалось считать программу CoDeSys. "), std::string::npos) << result.err;
}

TEST_F(CliCompare, DiffComparesTwoFilesOffline)
{
    const std::string master = Master();
    std::vector<uint8_t> bytes = FileBytes(master);
    const std::string copy = File("copy.klx41");
    bytes[700 + 300 + 5] ^= 0x80;  // area 40, offset 5
    std::ofstream(copy, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));

    Result result = Cli("COM1", {"diff", master, master});
    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_NE(result.out.find("Результат: файлы совпадают. "), std::string::npos) << result.out;
    result = Cli("COM1", {"diff", master, copy});
    EXPECT_EQ(result.code, 6);
    EXPECT_NE(result.out.find("Область 40: отличается, различных байт: 1 / 100, первые различия со смещения: 5\n"),
              std::string::npos) << result.out;

    // A truncated file and a FIFO are refused at once, as write refuses them.
    const std::string truncated = File("short.klx41");
    std::ofstream(truncated, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), 600);
    result = Cli("COM1", {"diff", master, truncated});
    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(result.err, truncated + "\nне является действительным файлом конфигурации. \n");
    const std::string fifo = File("fifo.klx41");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::unique_ptr<Child> cli = StartCliWith({"diff", fifo, master});
    EXPECT_EQ(cli->WaitAtMost(std::chrono::seconds(10)), 1);
    EXPECT_EQ(Cli("COM1", {"diff", master}).code, 2);
}

TEST_F(CliCompare, WriteWithABackupKeepsWhatTheDeviceHeldByteForByte)
{
    const std::string master = Master();
    const std::string target = StartDevice("t", kOtherAreas);
    const std::vector<std::vector<uint8_t>> before = AreasOfDevice("t");
    const std::string backups = File("backups");
    std::filesystem::create_directories(backups);
    Result result = Cli(target, {"write", master, "--backup", backups});
    EXPECT_EQ(result.code, 0) << result.err;
    const std::vector<std::filesystem::path> kept = FilesIn(backups);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(AreasOfFile(kept[0].string()), before);
    EXPECT_EQ(AreasOfDevice("t"), AreasOfFile(master));
    EXPECT_NE(result.err.find("Прежняя конфигурация прибора сохранена в файл " + kept[0].string()), std::string::npos)
        << result.err;
    // The backup is a configuration file like any other: it writes the
    // device back as it was.
    const std::string name = kept[0].filename().string();
    EXPECT_EQ(name.rfind("KLX41_1.0_", 0), 0u) << name;
    EXPECT_EQ(Cli(target, {"write", kept[0].string()}).code, 0);
    EXPECT_EQ(AreasOfDevice("t"), before);

    // A device that vanishes during the backup's read: no backup, no write.
    const std::string vanishing = StartDevice("v", {"--vanish-after", "30", "--random-areas", "4:700,300,100,40"});
    const std::vector<std::vector<uint8_t>> held = AreasOfDevice("v");
    result = Cli(vanishing, {"write", master, "--backup", backups});
    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(FilesIn(backups).size(), 1u);
    EXPECT_EQ(AreasOfDevice("v"), held);
}

TEST_F(CliCompare, ABackupFolderThatCannotTakeAFileTouchesNoDevice)
{
    const std::string master = Master();
    const std::string log = File("requests.log");
    const std::string target = StartDevice("t", {"--random-areas", "4:700,300,100,40", "--log-requests", log});
    const std::string file = File("not-a-folder");
    std::ofstream(file) << "x";
    for (const auto& [folderGiven, reason] : {std::pair{File("missing"), ": такой папки нет. "},
                                              std::pair{file, ": это не папка. "}}) {
        Result result = Cli(target, {"write", master, "--backup", folderGiven});
        EXPECT_EQ(result.code, 1);
        EXPECT_EQ(result.err, "Не удалось сохранить прежнюю конфигурацию прибора в папку " + folderGiven + reason
                                  + "\nКонфигурация в прибор не записывалась. \n");
    }
    EXPECT_EQ(ReadText(log), "");
    // A folder the user may not write into (root may write anywhere).
    if (geteuid() != 0) {
        const std::string locked = File("locked");
        std::filesystem::create_directories(locked);
        chmod(locked.c_str(), 0555);
        EXPECT_EQ(Cli(target, {"write", master, "--backup", locked}).code, 1);
        EXPECT_EQ(ReadText(log), "");
    }
}

TEST_F(CliCompare, SkipSameLeavesAMatchingDeviceAloneAndWritesOneThatDiffers)
{
    const std::string master = Master();
    const std::string log = File("same.log");
    const std::string same = StartDevice("s", {"--random-areas", "11:700,300,100,40", "--log-requests", log});
    Result result = Cli(same, {"write", master, "--skip-same", "--set-clock"});
    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_NE(result.err.find("Прибор уже содержит эту конфигурацию, запись не производилась. "), std::string::npos)
        << result.err;
    // The clock is still set; nothing else is written.
    EXPECT_NE(result.err.find("Дата и время в приборе: "), std::string::npos);
    char written[8];
    std::snprintf(written, sizeof written, "%04x ", Hash("P.W.R.T."));
    EXPECT_EQ(ReadText(log).find(written), std::string::npos);

    const std::string changed = StartDevice("b", {"--areas", AreasWithOneByteChanged(master, "b-areas")});
    result = Cli(changed, {"write", master, "--skip-same"});
    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(result.err.find("запись не производилась"), std::string::npos);
    EXPECT_EQ(AreasOfDevice("b"), AreasOfFile(master));
}
