#include "DevsimLauncher.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/PortMap.h"

extern char** environ;

DevsimLauncher::~DevsimLauncher()
{
    if (m_pid > 0)
        Stop();
    if (m_stdout >= 0)
        ::close(m_stdout);
}

bool DevsimLauncher::Start(const std::string& program, const std::vector<std::string>& arguments,
                           int timeoutMs)
{
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        m_error = std::strerror(errno);
        return false;
    }
    std::vector<std::string> words{program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    words.emplace_back("--exit-with-parent");
    std::vector<char*> argv;
    for (auto& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    const int spawned = ::posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    m_stdout = pipeFds[0];
    if (spawned != 0) {
        m_pid = -1;
        m_error = "cannot start " + program + ": " + std::strerror(spawned);
        return false;
    }

    std::string comLine;
    if (!ReadLine(m_slavePath, timeoutMs) || !ReadLine(comLine, timeoutMs)) {
        m_error = "no terminal path from " + program;
        Stop();
        return false;
    }
    m_com = PortMap::NumberOfName(comLine).value_or(0);
    return true;
}

bool DevsimLauncher::ReadLine(std::string& line, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (const auto end = m_pending.find('\n'); end != std::string::npos) {
            line = m_pending.substr(0, end);
            m_pending.erase(0, end + 1);
            return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd watched {m_stdout, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&watched, 1, static_cast<int>(left.count())) <= 0)
            return false;
        char buffer[256];
        const ssize_t got = ::read(m_stdout, buffer, sizeof buffer);
        if (got <= 0)
            return false;
        m_pending.append(buffer, static_cast<size_t>(got));
    }
}

int DevsimLauncher::Wait()
{
    int status = 0;
    while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int DevsimLauncher::Stop()
{
    if (m_pid <= 0)
        return -1;
    ::kill(m_pid, SIGTERM);
    return Wait();
}

void DevsimLauncher::Kill()
{
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGKILL);
    Wait();
}
