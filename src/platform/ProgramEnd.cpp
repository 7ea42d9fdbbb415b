#include "platform/ProgramEnd.h"

#include <atomic>
#include <thread>

#include "platform/OpenLines.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <semaphore.h>
#include <unistd.h>

#include <csignal>
#endif

namespace {

// Lock-free, so a signal handler may touch them.
std::atomic<bool> g_requested{false};
std::atomic<int> g_exitCode{1};

#ifdef _WIN32
HANDLE g_told = nullptr;
#else
sem_t g_told;
#endif

// The ordinary end did not come in time: a worker is stuck in an exchange
// or in the wait for a restarting device.
[[noreturn]] void EndNow()
{
    openlines::PutAll();
#ifdef _WIN32
    ::ExitProcess(static_cast<UINT>(g_exitCode.load()));
#else
    _exit(g_exitCode.load());
#endif
}

// On a thread of its own: a signal handler may do next to nothing.
void WatchForTheEnd()
{
#ifdef _WIN32
    ::WaitForSingleObject(g_told, INFINITE);
#else
    while (sem_wait(&g_told) != 0) {
    }
#endif
    std::this_thread::sleep_for(programend::kEndWait);
    EndNow();
}

#ifndef _WIN32
void OnEndSignal(int) { programend::Request(); }
#endif

}  // namespace

namespace programend {

void Install(int exitCode)
{
    g_exitCode = exitCode;
    static const bool watching = [] {
#ifdef _WIN32
        g_told = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
#else
        sem_init(&g_told, 0, 0);
#endif
        std::thread(WatchForTheEnd).detach();
        return true;
    }();
    (void)watching;
#ifndef _WIN32
    struct sigaction action {};
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
#endif
}

void Request()
{
    if (g_requested.exchange(true)) return;
#ifdef _WIN32
    if (g_told != nullptr) ::SetEvent(g_told);
#else
    sem_post(&g_told);
#endif
}

bool Requested() { return g_requested.load(); }

}  // namespace programend
