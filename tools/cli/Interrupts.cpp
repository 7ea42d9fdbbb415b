#include "Interrupts.h"

#include <atomic>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <unistd.h>
#endif

namespace {

// Lock-free, so the signal handler may touch it.
std::atomic<int> g_presses{0};
std::atomic<int> g_lastStage{1};

constexpr int kEndedByInterrupt = 130;

// True when the program must end now.
bool Press() { return g_presses.fetch_add(1) + 1 > g_lastStage.load(); }

#ifdef _WIN32
// Runs on a thread of its own that the system starts for each press; the
// C runtime's signal() would reset itself after the first and let the
// second end the program whatever the stage.
BOOL WINAPI OnConsoleControl(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    if (Press()) ::ExitProcess(kEndedByInterrupt);
    return TRUE;
}
#else
void OnInterrupt(int)
{
    if (Press()) _exit(kEndedByInterrupt);
}
#endif

}  // namespace

namespace interrupts {

void Install(int lastStage)
{
    g_lastStage = lastStage;
#ifdef _WIN32
    ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
#else
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
#endif
}

int Count() { return g_presses.load(); }

}  // namespace interrupts
