// mirrex-cli on a noisy line, end to end against mirrex-devsim: areas done
// again with their titles, the note and the report's counts, --retries 0
// request by request as the requests always went, and bursts of noise.
#include "CliHarness.h"

namespace {

// The request log's line of a request: identifier, R or W, the data.
std::string LogLine(const char* name, bool read, const std::string& data = "")
{
    char id[8];
    std::snprintf(id, sizeof id, "%04x", Hash(name));
    return std::string(id) + (read ? " R" : " W") + data;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The same harness under a name of its own: every test file has its own
// fixture class.
class CliRetry : public CliEndToEnd {};

}  // namespace

TEST_F(CliRetry, NoRetriesSendsEveryRequestAsItAlwaysWent)
{
    // The fifth block read is answered nErr: with no retries the read ends
    // there, selects area 40 and clears, and the save fails.
    const std::vector<std::string> fault{"--fault", "P.R.D.D.:4:1:nerr"};
    std::vector<std::string> options = kSmallAreas;
    options.insert(options.end(), fault.begin(), fault.end());
    options.insert(options.end(), {"--log-requests", File("plain.log")});
    std::string plain = StartDevice("plain", options);
    Result once = Cli(plain, {"--retries", "0", "save", File("plain.klx41")});
    EXPECT_EQ(once.code, 1) << once.err;
    EXPECT_NE(once.err.find("Не удалось считать программу CoDeSys. Прибор вернул nErr. "), std::string::npos)
        << once.err;
    EXPECT_FALSE(std::filesystem::exists(File("plain.klx41")));
    std::vector<std::string> expected{LogLine("dev", true), LogLine("ver", true), LogLine("P.C.L.R.", true),
                                      LogLine("P.A.R.E.", false, " 00"), LogLine("P.I.N.F.", true)};
    for (int read = 0; read < 5; ++read) expected.push_back(LogLine("P.R.D.D.", true));
    expected.insert(expected.end(), {LogLine("P.A.R.E.", false, " 28"), LogLine("P.C.L.R.", true)});
    EXPECT_EQ(Lines(ReadText(File("plain.log"))), expected);

    // By default the block is asked again and the save is exact.
    options[options.size() - 1] = File("again.log");
    std::string again = StartDevice("again", options);
    Result retried = Cli(again, {"save", File("again.klx41")});
    EXPECT_EQ(retried.code, 0) << retried.err;
    EXPECT_EQ(AreasOfFile(File("again.klx41")), AreasOfDevice("again"));
    const std::vector<std::string> log = Lines(ReadText(File("again.log")));
    std::vector<std::string> resent(expected.begin(), expected.begin() + 10);
    resent.push_back(LogLine("P.R.D.D.", true));
    ASSERT_GE(log.size(), resent.size());
    EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + 11), resent);

    Result bad = Cli(plain, {"--retries", "6", "save", File("x.klx41")});
    EXPECT_EQ(bad.code, 2);
    EXPECT_NE(bad.err.find("--retries 6 (допустимо: 0..5)"), std::string::npos) << bad.err;
}

TEST_F(CliRetry, AFailedAreaIsWrittenAgainAndTheReportSaysWhy)
{
    std::string source = StartDevice("a", kSmallAreas);
    ASSERT_EQ(Cli(source, {"save", File("a.klx41")}).code, 0);
    // Area 0's third block gets no answer at all: the area fails once and
    // is written again. Then a block is taken twice: its read-back differs.
    std::string target = StartDevice("b", {"--fault", "P.W.R.T.:3:3:silence", "--fault", "P.W.R.T.:10:1:lost"});
    Result write = Cli(target, {"write", File("a.klx41"), "--report", File("line.jsonl")});
    EXPECT_EQ(write.code, 0) << write.err;
    EXPECT_EQ(AreasOfDevice("b"), AreasOfFile(File("a.klx41")));
    EXPECT_NE(write.err.find("Запись программы CoDeSys... (повтор 2 из 5)"), std::string::npos) << write.err;
    const std::string note = "Запись потребовала повторов: программа CoDeSys - 2 (сбой связи 1, отличие при проверке 1). ";
    EXPECT_NE(write.err.find(note), std::string::npos) << write.err;
    // The table's message is that note.
    EXPECT_NE(write.out.find(note.substr(0, note.size() - 1)), std::string::npos) << write.out;
    const std::string report = ReadText(File("line.jsonl"));
    EXPECT_NE(report.find("\"rewrites\":[1,0,0,0],\"repeats\":[1,0,0,0]"), std::string::npos) << report;
    EXPECT_NE(report.find("\"result\":\"done\""), std::string::npos) << report;
}

TEST_F(CliRetry, ACancelDuringTheReadBackSaysTheAreaIsWrittenButNotChecked)
{
    std::string source = StartDevice("a", kSmallAreas);
    ASSERT_EQ(Cli(source, {"save", File("a.klx41")}).code, 0);
    // The device answers slowly, so the read-back of area 0 takes a while.
    std::string target = StartDevice("b", {"--turnaround", "30"});
    std::unique_ptr<Child> cli = StartCli(target, {"write", File("a.klx41")});
    ASSERT_TRUE(cli->WaitFor("Проверка записанной программы CoDeSys... ", true)) << cli->Err();
    cli->Signal(SIGINT);
    EXPECT_EQ(cli->Wait(), 4) << cli->Err();
    EXPECT_NE(cli->Err().find("Программа CoDeSys записана, но не проверена. Отменено пользователем. "),
              std::string::npos)
        << cli->Err();
    EXPECT_EQ(Area("b", 0), AreasOfFile(File("a.klx41"))[0]);
}

// Bursts of 100 ms every 2 s, at any moment of the jobs: a burst costs an
// area at most, and whatever happens nothing is left wrong.
TEST_F(CliRetry, BurstsOfNoiseOnTheAnswersAreOutlastedOrToldNeverWrong)
{
    std::vector<std::string> options = kSmallAreas;
    options.insert(options.end(), {"--burst", "100:2", "--seed", "7"});
    std::string noisy = StartDevice("n", options);
    Result save = Cli(noisy, {"save", File("n.klx41")});
    EXPECT_EQ(save.code, 0) << save.err;
    EXPECT_EQ(AreasOfFile(File("n.klx41")), AreasOfDevice("n"));
    std::string source = StartDevice("s", kOtherAreas);
    ASSERT_EQ(Cli(source, {"save", File("s.klx41")}).code, 0);
    for (int write = 0; write < 2; ++write) {
        Result written = Cli(noisy, {"write", File("s.klx41")});
        if (written.code == 0) {
            EXPECT_EQ(AreasOfDevice("n"), AreasOfFile(File("s.klx41")));
        } else {
            EXPECT_EQ(written.code, 1) << written.err;
            EXPECT_NE(written.err.find("Не удалось записать"), std::string::npos) << written.err;
        }
    }
}

// The device's terminal goes away while area 0 is written again: the job
// ends with its message at once, nothing is tried again, the port is put
// back and the report's line says how far the write came.
TEST_F(CliRetry, ADeviceThatGoesAwayDuringARepeatEndsTheJobAndItsLineSaysSo)
{
    std::string source = StartDevice("a", kSmallAreas);
    ASSERT_EQ(Cli(source, {"save", File("a.klx41")}).code, 0);
    // Area 0's third block gets no answer: the area is written again, at a
    // rate slow enough to pull the plug in the middle.
    std::string target = StartDevice("b", {"--baud", "9600", "--fault", "P.W.R.T.:3:3:silence"});
    std::unique_ptr<Child> cli =
        StartCli(target, {"--baud", "9600", "write", File("a.klx41"), "--report", File("line.jsonl")});
    ASSERT_TRUE(cli->WaitFor("(повтор 2 из 5)", true)) << cli->Err();
    devices.back()->Signal(SIGKILL);
    EXPECT_EQ(cli->WaitAtMost(std::chrono::seconds(20)), 1) << cli->Err();
    const std::string err = cli->Err();
    const std::string failure = "Не удалось записать программу CoDeSys. Прибор не ответил на запрос. ";
    EXPECT_NE(err.find(failure), std::string::npos) << err;
    EXPECT_EQ(err.find("(повтор 3 из 5)"), std::string::npos) << err;
    EXPECT_NE(cli->Out().find("ошибка"), std::string::npos) << cli->Out();
    const std::vector<std::string> lines = LinesOf(ReadText(File("line.jsonl")));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(Field(lines[0], "result"), "failed");
    EXPECT_EQ(Field(lines[0], "written"), "[]");
    EXPECT_EQ(Field(lines[0], "repeats"), "[1,0,0,0]");
    EXPECT_EQ(Field(lines[0], "message"), failure);
}
