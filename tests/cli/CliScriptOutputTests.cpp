// What scripts read from mirrex-cli: --version from the build, and --json
// of identify, ports and inspect, parsed and its fields checked, also when
// the device or the file fails.
#include "CliHarness.h"
#include "FlatJson.h"
#include "resources/ProgramVersion.h"

namespace {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The harness's fixture under a name of this file's own.
class CliScriptOutput : public CliEndToEnd {};

}  // namespace

TEST_F(CliScriptOutput, BothProgramsSayTheirVersionFromTheBuild)
{
    const std::string version = texts::kProgramVersion;
    ASSERT_FALSE(version.empty());
    for (const char* program : {MIRREX_CLI, MIRREX_DEVSIM}) {
        Child child({program, "--version"}, folder.Path() / "version");
        EXPECT_EQ(child.Wait(), 0);
        EXPECT_EQ(child.Out(), std::filesystem::path(program).filename().string() + " " + version + "\n");
    }
    // With a value it is still the simulated device's software version.
    const std::string device = StartDevice("v", {"--version", "7.3"});
    Result identify = Cli(device, {"identify", "--json"});
    std::optional<FlatJson> answered = ParseFlatJson(identify.out);
    ASSERT_TRUE(answered) << identify.out;
    EXPECT_EQ((*answered)["version"], "7.3");
}

TEST_F(CliScriptOutput, IdentifyPortsAndInspectPrintJsonWithTheLineReportsNames)
{
    std::unique_ptr<Child> device = PlugIn("a", 37, kSmallAreas);
    const std::string pty = device->Out().substr(0, device->Out().find('\n'));

    Result identify = Cli("COM37", {"identify", "--json"});
    ASSERT_EQ(identify.code, 0) << identify.err;
    EXPECT_EQ(identify.err, "");
    std::optional<FlatJson> answered = ParseFlatJson(identify.out);
    ASSERT_TRUE(answered) << identify.out;
    EXPECT_EQ(*answered, (FlatJson{{"port", "COM37"}, {"device", pty}, {"model", "KLX41"}, {"version", "1.0"}}));

    Child ports({MIRREX_CLI, "ports", "--json"}, folder.Path() / "ports");
    EXPECT_EQ(ports.Wait(), 0);
    int found = 0;
    for (const std::string& line : Lines(ports.Out())) {
        std::optional<FlatJson> port = ParseFlatJson(line);
        ASSERT_TRUE(port) << line;
        ASSERT_TRUE((*port)["port"] && (*port)["device"]) << line;
        EXPECT_EQ(port->size(), 3u) << line;
        EXPECT_TRUE(port->count("description")) << line;
        if ((*port)["port"] == "COM37") {
            ++found;
            EXPECT_EQ((*port)["device"], pty);
        }
    }
    EXPECT_EQ(found, 1) << ports.Out();

    const std::string file = File("Линия 3 (копия).klx41");
    ASSERT_EQ(Cli("COM37", {"save", file}).code, 0);
    Result inspect = Cli("COM37", {"inspect", file, "--json"});
    ASSERT_EQ(inspect.code, 0) << inspect.err;
    std::optional<FlatJson> checked = ParseFlatJson(inspect.out);
    ASSERT_TRUE(checked) << inspect.out;
    const std::vector<uint8_t> bytes = FileBytes(file);
    Sha256 hash;
    hash.Update(bytes.data(), bytes.size());
    EXPECT_EQ(*checked, (FlatJson{{"file", std::filesystem::absolute(file).string()},
                                  {"sha256", Sha256::Hex(hash.Finish())},
                                  {"model", "KLX41"},
                                  {"version", "1.0"},
                                  {"sizes", "[700,300,100,40]"},
                                  {"refusal", std::nullopt}}));
    // The human output stays as it was.
    EXPECT_EQ(Cli("COM37", {"identify"}).out, "Прибор: KLX41\nВерсия ПО: 1.0\n");
}

TEST_F(CliScriptOutput, JsonOfAFailureLeavesStdoutEmptyOrValidAndKeepsTheExitCode)
{
    const std::string device = StartDevice("s", kSmallAreas);  // at 115200 bit/s
    Result silent = Cli(device, {"--baud", "19200", "identify", "--json"});
    EXPECT_EQ(silent.code, 1);
    EXPECT_EQ(silent.out, "");
    EXPECT_NE(silent.err.find("Прибор не ответил на запрос"), std::string::npos) << silent.err;

    Result missing = Cli(device, {"inspect", File("нет такого.klx41"), "--json"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_NE(missing.err.find("файл конфигурации открыть не удалось"), std::string::npos) << missing.err;

    // A file that passes the check but that a write would refuse: its
    // object says why, and the exit code stays that of a failure.
    const Source source({0, 300, 100, 40});
    const std::string empty = File("empty.klx41");
    std::ofstream(empty, std::ios::binary)
        .write(reinterpret_cast<const char*>(source.image.data()), static_cast<std::streamsize>(source.image.size()));
    Result refused = Cli(device, {"inspect", empty, "--json"});
    EXPECT_EQ(refused.code, 1);
    std::optional<FlatJson> checked = ParseFlatJson(refused.out);
    ASSERT_TRUE(checked) << refused.out;
    EXPECT_EQ((*checked)["sizes"], "[0,300,100,40]");
    EXPECT_EQ((*checked)["refusal"], "Не удалось записать программу CoDeSys. ");
    EXPECT_NE(refused.err.find("будет отклонена"), std::string::npos);

    // --json belongs to the commands that print for scripts.
    EXPECT_EQ(Cli(device, {"save", File("x.klx41"), "--json"}).code, 2);
}
