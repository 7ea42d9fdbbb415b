// mirrex-cli scan against simulated devices on pseudo-terminals: a bus with
// a slow device and two that collide, two ports at once with one missing, a
// port another program holds, rates that find nothing, and a device swapped
// behind a port while the line writes.
#include <sys/file.h>

#include "CliHarness.h"

namespace {

std::size_t Count(const std::string& text, const std::string& what)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

class CliScan : public CliEndToEnd {};

}  // namespace

TEST_F(CliScan, EveryDeviceOnABusIsListedButTwoAtOneAddressAreNot)
{
    const std::string port = StartDevice("bus", {"--baud", "9600", "--address", "77", "--device",
                                                 "address=78,model=РГХ206К,version=3.1,turnaround=150", "--device",
                                                 "address=90,model=KLX51", "--device", "address=90,model=KLX41"});
    Result result = Cli(port, {"scan", "--baud", "115200", "--baud", "9600", "--json"});
    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(result.out,
              "{\"port\":\"" + port + "\",\"baud\":9600,\"format\":\"8N1\",\"data_bits\":8,\"parity\":\"none\","
              "\"stop_bits\":1,\"address\":77,\"address_bits\":8,\"model\":\"KLX41\",\"version\":\"1.0\"}\n"
              "{\"port\":\"" + port + "\",\"baud\":9600,\"format\":\"8N1\",\"data_bits\":8,\"parity\":\"none\","
              "\"stop_bits\":1,\"address\":78,\"address_bits\":8,\"model\":\"РГХ206К\",\"version\":\"3.1\"}\n");
}

TEST_F(CliScan, TwoPortsAtOnceOneMissingAndOneHeldByAnotherProgram)
{
    const std::string fast = StartDevice("fast", {"--address", "200"});
    const std::string slow = StartDevice("slow", {"--baud", "19200", "--address", "3"});
    const std::string held = StartDevice("held", {});
    const int holder = open(held.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
    const std::string missing = File("no-such-tty");
    std::unique_ptr<Child> cli = StartCliWith({"scan", "--port", fast, "--port", missing, "--port", slow, "--port",
                                               held, "--baud", "115200", "--baud", "19200"});
    EXPECT_EQ(cli->WaitAtMost(std::chrono::seconds(60)), 0) << cli->Err();
    close(holder);
    const std::string out = cli->Out();
    EXPECT_NE(out.find(fast + "\t115200\t8N1\t200\t8\tKLX41\t1.0\n"), std::string::npos) << out;
    EXPECT_NE(out.find(slow + "\t19200\t8N1\t3\t8\tKLX41\t1.0\n"), std::string::npos) << out;
    EXPECT_EQ(Count(out, "\n"), 2u) << out;
    EXPECT_NE(cli->Err().find(missing + ": порт пропущен. Не удалось открыть COM-порт."), std::string::npos)
        << cli->Err();
    EXPECT_NE(cli->Err().find(held + ": порт пропущен."), std::string::npos) << cli->Err();
}

TEST_F(CliScan, NothingAtTheRatesAskedForIsSaidSoAndBadValuesAreRefused)
{
    const std::string port = StartDevice("slow", {"--baud", "19200", "--address", "5"});
    Result none = Cli(port, {"scan", "--baud", "57600"});
    EXPECT_EQ(none.code, 1);
    EXPECT_EQ(none.out, "");
    EXPECT_NE(none.err.find("Ни один прибор не ответил. Проверено: порты " + port + "; скорости 57600; форматы 8N1; "
                            "адреса 0..255 (8)."),
              std::string::npos)
        << none.err;
    Result found = Cli(port, {"scan", "--baud", "57600", "--baud", "19200", "--first"});
    EXPECT_EQ(found.code, 0) << found.err;
    EXPECT_EQ(found.out, port + "\t19200\t8N1\t5\t8\tKLX41\t1.0\n");

    Result bad = Cli(port, {"scan", "--formats", "most"});
    EXPECT_EQ(bad.code, 2);
    EXPECT_NE(bad.err.find("--formats most (допустимо: stored, common, all)"), std::string::npos) << bad.err;
    Result both = Cli(port, {"identify", "--address-bits", "both"});
    EXPECT_EQ(both.code, 2);
    EXPECT_NE(both.err.find("--address-bits both (только для scan)"), std::string::npos) << both.err;
}

// A device taken off the line for half a second and another put in its
// place behind the same port: the loop sees it go and writes the next one.
TEST_F(CliScan, TheLoopSeesADeviceSwappedWithinHalfASecond)
{
    std::string source = StartDevice("master", kSmallAreas);
    ASSERT_EQ(Cli(source, {"save", File("m.klx41")}).code, 0);
    const std::string port = StartDevice("swapped", kOtherAreas);
    Child& device = *devices.back();
    const std::string report = File("swap.jsonl");
    std::unique_ptr<Child> cli = StartCli(port, {"write", File("m.klx41"), "--loop", "--count", "2", "--report", report});
    for (int i = 0; i < 600 && Count(ReadText(report), "\n") < 1; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_EQ(Count(ReadText(report), "\n"), 1u) << cli->Err();
    // Still there: not written again.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    EXPECT_EQ(Count(ReadText(report), "\n"), 1u);
    device.Signal(SIGUSR1);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    device.Signal(SIGUSR1);
    EXPECT_EQ(cli->WaitAtMost(std::chrono::seconds(60)), 0) << cli->Err();
    EXPECT_EQ(Count(ReadText(report), "\"result\":\"done\""), 2u);
}
