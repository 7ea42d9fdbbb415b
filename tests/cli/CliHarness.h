#pragma once
// mirrex-cli and mirrex-devsim as child processes: the real binaries, the
// real serial line, files on disk.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include "configfile/ConfigHeader.h"

#include "../device/DeviceTestKit.h"
#include "platform/PtyPair.h"
#include "platform/Sha256.h"

extern char** environ;

namespace {

std::string ReadText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A child process with stdin from /dev/null (or a terminal) and its output
// in files.
class Child {
public:
    Child(const std::vector<std::string>& args, const std::filesystem::path& outputs,
          const std::string& input = "/dev/null")
        : m_out(outputs.string() + ".out"), m_err(outputs.string() + ".err")
    {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDWR, 0);
        posix_spawn_file_actions_addopen(&actions, 1, m_out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, m_err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        std::vector<char*> argv;
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        if (posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Child()
    {
        if (m_pid > 0 && !m_reaped) {
            kill(m_pid, SIGTERM);
            Wait();
        }
    }
    int Wait()
    {
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_reaped = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    // The exit code, or -1 (and the child killed) when it has not ended
    // within the limit.
    int WaitAtMost(std::chrono::milliseconds limit)
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        int status = 0;
        while (waitpid(m_pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        m_reaped = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    void Signal(int signal) { kill(m_pid, signal); }
    std::string Out() const { return ReadText(m_out); }
    std::string Err() const { return ReadText(m_err); }
    // Waits (for at most a minute) until stream holds text.
    bool WaitFor(const std::string& text, bool inErr) const
    {
        for (int i = 0; i < 6000; ++i) {
            if ((inErr ? Err() : Out()).find(text) != std::string::npos) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

private:
    pid_t m_pid = -1;
    bool m_reaped = false;
    std::filesystem::path m_out;
    std::filesystem::path m_err;
};

struct Result {
    int code;
    std::string out;
    std::string err;
};

class CliEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("XDG_CONFIG_HOME", (folder.Path() / "config").c_str(), 1);
        setenv("XDG_STATE_HOME", (folder.Path() / "state").c_str(), 1);
    }

    // Starts a simulated device saving its areas in folder/name and returns
    // its terminal's path.
    std::string StartDevice(const std::string& name, std::vector<std::string> options)
    {
        std::filesystem::create_directories(folder.Path() / name);
        std::vector<std::string> args{MIRREX_DEVSIM, "--no-alias", "--exit-with-parent", "--save-areas",
                                      (folder.Path() / name).string()};
        args.insert(args.end(), options.begin(), options.end());
        devices.push_back(std::make_unique<Child>(args, folder.Path() / ("devsim-" + name)));
        if (!devices.back()->WaitFor("\n", false)) return {};
        std::string out = devices.back()->Out();
        return out.substr(0, out.find('\n'));
    }

    std::unique_ptr<Child> StartCli(const std::string& port, std::vector<std::string> args,
                                    const std::string& input = "/dev/null")
    {
        std::vector<std::string> all{MIRREX_CLI, "--port", port, "--area-folder", Work()};
        all.insert(all.end(), args.begin(), args.end());
        return std::make_unique<Child>(all, folder.Path() / ("cli-" + std::to_string(++runs)), input);
    }

    // A device registered as COMn, as an adapter the port map finds; it is
    // unplugged when the returned process goes.
    std::unique_ptr<Child> PlugIn(const std::string& name, int com, std::vector<std::string> options)
    {
        std::filesystem::create_directories(folder.Path() / name);
        std::vector<std::string> args{MIRREX_DEVSIM, "--com", std::to_string(com), "--exit-with-parent",
                                      "--save-areas", (folder.Path() / name).string()};
        args.insert(args.end(), options.begin(), options.end());
        auto device = std::make_unique<Child>(args, folder.Path() / ("devsim-" + name));
        // Registered once it has said under which name.
        for (int i = 0; i < 1000; ++i) {
            const std::string out = device->Out();
            if (std::count(out.begin(), out.end(), '\n') >= 2) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return device;
    }

    // mirrex-cli with the test's area folder and these arguments alone.
    std::unique_ptr<Child> StartCliWith(std::vector<std::string> args, const std::string& input = "/dev/null")
    {
        std::vector<std::string> all{MIRREX_CLI, "--area-folder", Work()};
        all.insert(all.end(), args.begin(), args.end());
        return std::make_unique<Child>(all, folder.Path() / ("cli-" + std::to_string(++runs)), input);
    }

    Result Cli(const std::string& port, std::vector<std::string> args)
    {
        std::unique_ptr<Child> cli = StartCli(port, std::move(args));
        int code = cli->Wait();
        return {code, cli->Out(), cli->Err()};
    }

    std::string Work()
    {
        std::filesystem::create_directories(folder.Path() / "work");
        return (folder.Path() / "work").string();
    }
    std::string File(const char* name) const { return (folder.Path() / name).string(); }
    std::vector<uint8_t> Area(const std::string& device, int area) const
    {
        return FileBytes(folder.Path() / device / ("config_" + std::to_string(area) + ".dat"));
    }
    // The four areas of a configuration file, cut by its header.
    std::vector<std::vector<uint8_t>> AreasOfFile(const std::string& path) const
    {
        std::vector<uint8_t> bytes = FileBytes(path);
        std::vector<std::vector<uint8_t>> areas;
        if (bytes.size() < sizeof(ConfigHeader)) return areas;
        ConfigHeader header{};
        std::memcpy(&header, bytes.data() + bytes.size() - sizeof header, sizeof header);
        std::size_t at = 0;
        for (uint32_t size : {header.size0, header.size16, header.size40, header.size64}) {
            if (at + size > bytes.size()) return {};
            areas.emplace_back(bytes.begin() + at, bytes.begin() + at + size);
            at += size;
        }
        return areas;
    }
    std::vector<std::vector<uint8_t>> AreasOfDevice(const std::string& device) const
    {
        return {Area(device, 0), Area(device, 16), Area(device, 40), Area(device, 64)};
    }

    TempFolder folder;
    std::vector<std::unique_ptr<Child>> devices;
    int runs = 0;
};

const std::vector<std::string> kSmallAreas{"--random-areas", "11:700,300,100,40"};
const std::vector<std::string> kOtherAreas{"--random-areas", "12:700,300,100,40"};

}  // namespace

// The lines of a program's output.
inline std::vector<std::string> LinesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The value of a field of a report line, as it stands in the JSON (an
// array whole).
inline std::string Field(const std::string& line, const std::string& name)
{
    const std::string key = "\"" + name + "\":";
    const std::size_t at = line.find(key);
    if (at == std::string::npos) return {};
    const std::size_t start = at + key.size();
    if (line[start] == '"') return line.substr(start + 1, line.find('"', start + 1) - start - 1);
    if (line[start] == '[') return line.substr(start, line.find(']', start) - start + 1);
    return line.substr(start, line.find_first_of(",}", start) - start);
}
