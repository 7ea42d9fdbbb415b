#pragma once
// Starts mirrex-devsim as a child process and stops it again: for the
// end-to-end tests and the benchmarks, which talk to it like a real device.

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

class DevsimLauncher {
public:
    DevsimLauncher() = default;
    ~DevsimLauncher();
    DevsimLauncher(const DevsimLauncher&) = delete;
    DevsimLauncher& operator=(const DevsimLauncher&) = delete;

    // Runs the program with the arguments and waits (up to timeoutMs) for
    // the two lines it prints: the terminal's path and its COM name. The
    // child ends with us. False with the reason in Error().
    bool Start(const std::string& program, const std::vector<std::string>& arguments,
               int timeoutMs = 10000);

    // SIGTERM, then waits; the exit status, or -1 if it did not end normally.
    int Stop();
    // Ends it at once, as a crash or a pulled cable would.
    void Kill();

    pid_t Pid() const { return m_pid; }
    const std::string& SlavePath() const { return m_slavePath; }
    // 0 when it registered no COM name.
    uint32_t ComNumber() const { return m_com; }
    const std::string& Error() const { return m_error; }

private:
    bool ReadLine(std::string& line, int timeoutMs);
    int Wait();

    pid_t m_pid = -1;
    int m_stdout = -1;
    std::string m_pending;
    std::string m_slavePath;
    uint32_t m_com = 0;
    std::string m_error;
};
