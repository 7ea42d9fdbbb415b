// mirrex-cli against mirrex-devsim over a pseudo-terminal, as a user runs
// them: the real binaries, the real serial line, files on disk.
#include "CliHarness.h"

TEST_F(CliEndToEnd, SavesADeviceAndReplicatesTheFileIntoAnother)
{
    std::string source = StartDevice("a", kSmallAreas);
    ASSERT_FALSE(source.empty());
    Result save = Cli(source, {"save", File("a.klx41")});
    ASSERT_EQ(save.code, 0) << save.err;
    EXPECT_NE(save.err.find("Конфигурация из прибора успешно сохранена в файл. "), std::string::npos);
    EXPECT_EQ(AreasOfFile(File("a.klx41")), AreasOfDevice("a"));
    Result inspect = Cli(source, {"inspect", File("a.klx41")});
    std::vector<uint8_t> saved = FileBytes(File("a.klx41"));
    Sha256 hash;
    hash.Update(saved.data(), saved.size());
    EXPECT_EQ(inspect.out, "Прибор: KLX41\nВерсия ПО: 1.0\nРазмеры областей 0, 16, 40, 64: 700 300 100 40\nSHA-256: " +
                               Sha256::Hex(hash.Finish()) + "\n");

    // Saving over the file needs --force.
    EXPECT_EQ(Cli(source, {"save", File("a.klx41")}).code, 1);
    EXPECT_EQ(Cli(source, {"save", File("a.klx41"), "--force"}).code, 0);

    std::string target = StartDevice("b", kOtherAreas);
    ASSERT_NE(AreasOfDevice("b"), AreasOfDevice("a"));
    Result write = Cli(target, {"write", File("a.klx41"), "--verify", "--set-clock"});
    EXPECT_EQ(write.code, 0) << write.err;
    EXPECT_EQ(AreasOfDevice("b"), AreasOfFile(File("a.klx41")));
    EXPECT_NE(write.err.find("Дата и время в приборе: "), std::string::npos);
    EXPECT_NE(write.err.find("Проверка: содержимое прибора совпадает с файлом. "), std::string::npos);
}

TEST_F(CliEndToEnd, RefusesForeignModelsAndAsksAboutVersions)
{
    std::string foreign = StartDevice("x", {"--model", "XYZ"});
    Result refused = Cli(foreign, {"save", File("x.klx41")});
    EXPECT_EQ(refused.code, 3);
    EXPECT_NE(refused.err.find("Подключенный к ПК прибор не поддерживается данной программой."), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(File("x.klx41")));

    std::string source = StartDevice("a", kSmallAreas);
    ASSERT_EQ(Cli(source, {"save", File("a.klx41")}).code, 0);
    std::string lowerCase = StartDevice("l", {"--model", "klx41"});
    EXPECT_EQ(Cli(lowerCase, {"write", File("a.klx41")}).code, 3);

    std::string newer = StartDevice("n", {"--version", "2.0", "--random-areas", "5:700,300,100,40"});
    std::vector<std::vector<uint8_t>> before = AreasOfDevice("n");
    Result declined = Cli(newer, {"write", File("a.klx41")});
    EXPECT_EQ(declined.code, 1);
    EXPECT_NE(declined.err.find("совпадаюст"), std::string::npos);
    EXPECT_EQ(AreasOfDevice("n"), before);
    EXPECT_EQ(Cli(newer, {"write", File("a.klx41"), "--accept-version-mismatch"}).code, 0);
    EXPECT_EQ(AreasOfDevice("n"), AreasOfFile(File("a.klx41")));
}

// A wrong rate is what a real line makes of it: the device hears garbage
// and stays silent, and the save ends at identification, within a second.
TEST_F(CliEndToEnd, SaveAtAnotherRateThanTheDevicesFindsASilentDevice)
{
    std::string device = StartDevice("a", kSmallAreas);  // at 115200 bit/s
    const auto start = std::chrono::steady_clock::now();
    Result save = Cli(device, {"--baud", "19200", "save", File("a.klx41")});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(save.code, 1);
    EXPECT_NE(save.err.find("Параметр 'dev' прочитать не удалось. Прибор не ответил на запрос. "), std::string::npos)
        << save.err;
    EXPECT_FALSE(std::filesystem::exists(File("a.klx41")));
    EXPECT_EQ(Cli(device, {"save", File("a.klx41")}).code, 0);
}

TEST_F(CliEndToEnd, CtrlCCancelsAfterTheBlockInProgress)
{
    // A slow line, so that area 16 takes a while. Area 0 is short: every
    // exchange on a slow pty of a loaded machine risks the answer coming
    // too late, which repeats a block the protocol cannot tell apart.
    std::string source = StartDevice("a", {"--random-areas", "11:30,600,100,40"});
    ASSERT_EQ(Cli(source, {"save", File("a.klx41")}).code, 0);
    std::string target = StartDevice("b", {"--baud", "2400", "--random-areas", "12:30,600,100,40"});
    std::vector<uint8_t> area16Before = Area("b", 16);
    std::unique_ptr<Child> cli = StartCli(target, {"--baud", "2400", "write", File("a.klx41")});
    ASSERT_TRUE(cli->WaitFor("Запись конфигурации... ", true));
    cli->Signal(SIGINT);
    EXPECT_EQ(cli->Wait(), 4) << cli->Err();
    EXPECT_NE(cli->Err().find("Конфигурация не записана. Отменено пользователем. "), std::string::npos);
    EXPECT_EQ(Area("b", 0), AreasOfFile(File("a.klx41"))[0]);
    EXPECT_EQ(Area("b", 16), area16Before);
}

TEST_F(CliEndToEnd, FaultsEndInTheDevicesExactMemoryOrInAMessage)
{
    std::string source = StartDevice("a", kSmallAreas);
    ASSERT_EQ(Cli(source, {"save", File("a.klx41")}).code, 0);
    for (const char* seed : {"1", "2", "3"}) {
        std::string noisy = StartDevice(std::string("f") + seed,
                                        {"--faults", "0.02", "--seed", seed, "--random-areas", "9:700,300,100,40"});
        std::string saved = File("noisy.klx41");
        Result save = Cli(noisy, {"save", saved, "--force"});
        if (save.code == 0) {
            EXPECT_EQ(AreasOfFile(saved), AreasOfDevice(std::string("f") + seed)) << seed;
        } else {
            EXPECT_EQ(save.code, 1) << seed;
            EXPECT_NE(save.err.find("Не удалось"), std::string::npos) << save.err;
        }
        // A write cannot see a block repeated after a late answer; --verify does.
        Result write = Cli(noisy, {"write", File("a.klx41"), "--verify"});
        EXPECT_TRUE(write.code == 0 || write.code == 1 || write.code == 5) << seed << write.err;
        if (write.code == 0) {
            EXPECT_EQ(AreasOfDevice(std::string("f") + seed), AreasOfFile(File("a.klx41")));
        } else if (write.code == 1) {
            EXPECT_NE(write.err.find("Не удалось"), std::string::npos) << write.err;
        } else {
            EXPECT_NE(AreasOfDevice(std::string("f") + seed), AreasOfFile(File("a.klx41")));
        }
    }
}

TEST_F(CliEndToEnd, AnAnswerLostAfterTheDeviceActedIsRepairedByTheReadBack)
{
    std::string source = StartDevice("a", kSmallAreas);
    ASSERT_EQ(Cli(source, {"save", File("a.klx41")}).code, 0);
    // The retry of a lost block write sends the block again: the device
    // then holds it twice. The read-back finds it and writes area 0 again.
    std::string target = StartDevice("b", {"--fault", "P.W.R.T.:10:1:lost"});
    Result write = Cli(target, {"write", File("a.klx41")});
    EXPECT_EQ(write.code, 0) << write.err;
    EXPECT_EQ(AreasOfDevice("b"), AreasOfFile(File("a.klx41")));
    EXPECT_NE(write.err.find("Проверка записанной программы CoDeSys... "), std::string::npos) << write.err;
    EXPECT_NE(write.err.find("Повторные записи областей 0, 16, 40, 64: 1 0 0 0"), std::string::npos) << write.err;

    // Without the read-back nobody notices.
    std::string unchecked = StartDevice("u", {"--fault", "P.W.R.T.:10:1:lost"});
    Result blind = Cli(unchecked, {"write", File("a.klx41"), "--no-verify"});
    EXPECT_EQ(blind.code, 0) << blind.err;
    EXPECT_EQ(blind.err.find("Проверка"), std::string::npos);
    EXPECT_EQ(Area("u", 0).size(), AreasOfFile(File("a.klx41"))[0].size() + 15);

    // On a read the retry fetches the next block: the area comes out short,
    // is read again, and the complete second read is saved.
    std::string skipping = StartDevice("c", {"--fault", "P.R.D.D.:10:1:lost", "--random-areas", "3:700,300,100,40"});
    Result save = Cli(skipping, {"save", File("c.klx41")});
    EXPECT_EQ(save.code, 0) << save.err;
    EXPECT_EQ(AreasOfFile(File("c.klx41")), AreasOfDevice("c"));
}

TEST_F(CliEndToEnd, TwoSavesAtOnceKeepTheirAreasApart)
{
    // Slow lines, so the two reads overlap; one area folder for both.
    std::string first = StartDevice("a", {"--baud", "38400", "--random-areas", "21:700,300,100,40"});
    std::string second = StartDevice("b", {"--baud", "38400", "--random-areas", "22:650,350,90,50", "--model",
                                           "КЛХ41", "--version", "2.0"});
    std::unique_ptr<Child> saveA = StartCli(first, {"--baud", "38400", "save", File("a.klx41")});
    std::unique_ptr<Child> saveB = StartCli(second, {"--baud", "38400", "save", File("b.klx41")});
    EXPECT_EQ(saveA->Wait(), 0) << saveA->Err();
    EXPECT_EQ(saveB->Wait(), 0) << saveB->Err();
    EXPECT_EQ(AreasOfFile(File("a.klx41")), AreasOfDevice("a"));
    EXPECT_EQ(AreasOfFile(File("b.klx41")), AreasOfDevice("b"));
    EXPECT_NE(Cli(second, {"inspect", File("b.klx41")}).out.find("Прибор: КЛХ41\nВерсия ПО: 2.0"), std::string::npos);
    // One of them had to take a folder of its own.
    EXPECT_TRUE(std::filesystem::is_directory(folder.Path() / "work" / "areas-2"));
}

TEST_F(CliEndToEnd, AJobAfterAKilledOneTakesTheFolderAgain)
{
    std::string slow = StartDevice("a", {"--baud", "9600", "--random-areas", "31:300,600,100,40"});
    std::unique_ptr<Child> killed = StartCli(slow, {"--baud", "9600", "save", File("a.klx41")});
    ASSERT_TRUE(killed->WaitFor("Cчитывание конфигурации... ", true)) << killed->Err();
    killed->Signal(SIGKILL);
    EXPECT_EQ(killed->Wait(), 128 + SIGKILL);
    EXPECT_TRUE(std::filesystem::exists(folder.Path() / "work" / "config_0.dat"));

    std::string next = StartDevice("b", kOtherAreas);
    Result save = Cli(next, {"save", File("b.klx41")});
    EXPECT_EQ(save.code, 0) << save.err;
    EXPECT_EQ(AreasOfFile(File("b.klx41")), AreasOfDevice("b"));
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "work" / "areas-2"));
    EXPECT_FALSE(std::filesystem::exists(File("a.klx41")));
}

TEST_F(CliEndToEnd, AFileWithAnEmptyAreaIsRefusedWithoutASingleRequest)
{
    const std::pair<std::array<uint32_t, 4>, const char*> files[] = {
        {{0, 300, 100, 40}, "Не удалось записать программу CoDeSys. "},
        {{700, 300, 100, 0}, "Не удалось записать значения Retain. "},
    };
    for (const auto& [sizes, text] : files) {
        const Source source(sizes);
        const std::string file = File("empty.klx41");
        std::ofstream(file, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(source.image.data()), static_cast<std::streamsize>(source.image.size()));
        const std::string log = File("requests.log");
        std::filesystem::remove(log);
        std::string target = StartDevice("t", {"--random-areas", "8:700,300,100,40", "--log-requests", log});
        const std::vector<std::vector<uint8_t>> before = AreasOfDevice("t");

        Result inspect = Cli(target, {"inspect", file});
        EXPECT_EQ(inspect.code, 1);
        EXPECT_NE(inspect.err.find(std::string("Запись этого файла в прибор будет отклонена: ") + text),
                  std::string::npos) << inspect.err;
        Result write = Cli(target, {"write", file});
        EXPECT_EQ(write.code, 1);
        EXPECT_EQ(write.err, std::string(text) + "\n");
        // The device heard nothing at all.
        EXPECT_TRUE(std::filesystem::exists(log));
        EXPECT_EQ(ReadText(log), "");
        EXPECT_EQ(AreasOfDevice("t"), before);
        devices.clear();
    }
}

TEST_F(CliEndToEnd, ConnectionValuesOutsideTheirRangeAreUsageErrorsNamingTheAllowedValues)
{
    Result baud = Cli("COM1", {"--baud", "12345", "identify"});
    EXPECT_EQ(baud.code, 2);
    EXPECT_NE(baud.err.find("--baud 12345 (допустимо: 2400, 4800, 9600, 14400, 19200, 28800, 38400, 57600, 115200)"),
              std::string::npos) << baud.err;
    Result parity = Cli("COM1", {"--parity", "mark", "identify"});
    EXPECT_EQ(parity.code, 2);
    EXPECT_NE(parity.err.find("(допустимо: none, odd, even)"), std::string::npos) << parity.err;

    // With the stored 8-bit addressing, and with 8 bits asked for.
    std::string wide = StartDevice("w", {"--address", "300", "--address-bits", "11"});
    Result address = Cli(wide, {"--address", "300", "identify"});
    EXPECT_EQ(address.code, 2);
    EXPECT_NE(address.err.find("--address 300 (допустимо: 0..255 при 8-битной адресации, 0..2047 при 11-битной)"),
              std::string::npos) << address.err;
    EXPECT_EQ(Cli(wide, {"--address", "300", "--address-bits", "8", "identify"}).code, 2);
    Result fits = Cli(wide, {"--address", "300", "--address-bits", "11", "identify"});
    EXPECT_EQ(fits.code, 0) << fits.err;

    // Stored settings are not judged: they behave as they always have.
    std::filesystem::create_directories(folder.Path() / "config/Tolvar");
    std::ofstream(folder.Path() / "config/Tolvar/Mirrex") << "mirrex-key 1\ndword baud_rate 115200\ndword address 300\n"
                                                             "dword adress_len 8\n";
    EXPECT_EQ(Cli(wide, {"identify"}).code, 1);
    EXPECT_EQ(Cli(wide, {"--address-bits", "8", "identify"}).code, 2);
}

TEST_F(CliEndToEnd, AFailureToReachTheDeviceSaysWhatWasTried)
{
    Result missing = Cli("/dev/mirrex-no-such-port", {"--baud", "9600", "--parity", "even", "identify"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.err.find("Не удалось открыть COM-порт. "), std::string::npos) << missing.err;
    EXPECT_NE(missing.err.find("\nСвязь: порт /dev/mirrex-no-such-port, 9600 бит/с, 8E1, адрес 16 (8-битная адресация), "
                               "преобразователь автоматический\n"),
              std::string::npos) << missing.err;

    // A device at another address keeps silent: the system's message, then ours.
    std::string device = StartDevice("d", {});
    Result silent = Cli(device, {"--address", "17", "--address-bits", "11", "--stop-bits", "2", "save", File("d.klx41")});
    EXPECT_EQ(silent.code, 1);
    const std::size_t message = silent.err.find("Прибор не ответил на запрос. ");
    const std::size_t ours = silent.err.find("Связь: порт " + device + ", 115200 бит/с, 8N2, адрес 17 (11-битная адресация)");
    EXPECT_NE(message, std::string::npos) << silent.err;
    EXPECT_NE(ours, std::string::npos) << silent.err;
    EXPECT_LT(message, ours);

    // A refused device was reached: no such line.
    std::string foreign = StartDevice("x", {"--model", "XYZ"});
    Result refused = Cli(foreign, {"identify"});
    EXPECT_EQ(refused.code, 3);
    EXPECT_EQ(refused.err.find("Связь: "), std::string::npos) << refused.err;
}

TEST_F(CliEndToEnd, ASaveThatCannotBeWrittenIsRefusedBeforeThePortOpens)
{
    // No port is there: the target's reason must come first and alone.
    const std::string noPort = "/dev/mirrex-no-such-port";
    std::filesystem::create_directory(File("folder.klx41"));
    ASSERT_EQ(mkfifo(File("pipe.klx41").c_str(), 0600), 0);
    const std::pair<std::string, std::string> cases[] = {
        {File("no-such-folder/a.klx41"), File("no-such-folder") + ": такой папки нет. "},
        {File("folder.klx41"), File("folder.klx41") + ": это папка, а не файл. "},
        {File("pipe.klx41"), File("pipe.klx41") + ": это не обычный файл. "},
        {File("folder.klx41") + "/", File("folder.klx41") + "/: не указано имя файла. "},
    };
    for (const auto& [target, reason] : cases) {
        Result save = Cli(noPort, {"save", target});
        EXPECT_EQ(save.code, 1) << target;
        EXPECT_EQ(save.err, "Не удалось сохранить конфигурацию в указанный файл. \n" + reason + "\n") << target;
    }
    if (geteuid() != 0) {  // root may write anywhere
        std::filesystem::create_directory(File("locked"));
        std::filesystem::permissions(File("locked"), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
        Result locked = Cli(noPort, {"save", File("locked/a.klx41")});
        EXPECT_NE(locked.err.find(File("locked") + ": нет права создавать файлы в этой папке. "), std::string::npos);
    }
    // The probe leaves nothing behind.
    std::size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        EXPECT_EQ(entry.path().string().find(".~probe"), std::string::npos) << entry.path();
        ++entries;
    }
    EXPECT_GT(entries, 0u);
}

TEST_F(CliEndToEnd, TheOverwriteQuestionIsAskedOnATerminal)
{
    std::string source = StartDevice("a", kSmallAreas);
    std::ofstream(File("a.klx41")) << "old";
    PtyPair terminal;
    ASSERT_FALSE(terminal.SlavePath().empty());

    std::unique_ptr<Child> declined = StartCli(source, {"save", File("a.klx41")}, terminal.SlavePath());
    ASSERT_TRUE(declined->WaitFor("файл будет перезаписан, продолжить? ", true)) << declined->Err();
    terminal.Send("н\n");
    EXPECT_EQ(declined->Wait(), 1) << declined->Err();
    EXPECT_EQ(ReadText(File("a.klx41")), "old");

    std::unique_ptr<Child> agreed = StartCli(source, {"save", File("a.klx41")}, terminal.SlavePath());
    ASSERT_TRUE(agreed->WaitFor("файл будет перезаписан, продолжить? ", true)) << agreed->Err();
    terminal.Send("д\n");
    EXPECT_EQ(agreed->Wait(), 0) << agreed->Err();
    EXPECT_EQ(AreasOfFile(File("a.klx41")), AreasOfDevice("a"));
    // Asked once: the save itself does not ask again.
    const std::string err = agreed->Err();
    EXPECT_EQ(err.find("продолжить?"), err.rfind("продолжить?"));
}

TEST_F(CliEndToEnd, WhatIsNotARegularFileEndsInspectAndWriteAtOnce)
{
    ASSERT_EQ(mkfifo(File("pipe.klx41").c_str(), 0600), 0);
    std::filesystem::create_directory(File("folder.klx41"));
    for (const std::string& path : {File("pipe.klx41"), std::string("/dev/zero"), File("folder.klx41")}) {
        for (const char* command : {"inspect", "write"}) {
            std::unique_ptr<Child> cli = StartCli("/dev/mirrex-no-such-port", {command, path});
            EXPECT_EQ(cli->WaitAtMost(std::chrono::seconds(20)), 1) << command << " " << path;
            EXPECT_EQ(cli->Err(), path + "\nфайл конфигурации открыть не удалось. \n") << command << " " << path;
        }
    }
}
