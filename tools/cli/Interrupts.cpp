#include "Interrupts.h"

#include <atomic>

#include "Commands.h"
#include "platform/ProgramEnd.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#endif

namespace {

// Lock-free, so the signal handler may touch them.
std::atomic<int> g_presses{0};
std::atomic<int> g_lastStage{1};

#ifdef _WIN32
// Runs on a thread of its own that the system starts for each event; the
// C runtime's signal() would reset itself after the first Ctrl-C and let
// the second end the program whatever the stage. For a closed console the
// system ends the program as soon as the handler returns (or after about
// five seconds): the handler waits there while the program finishes.
BOOL WINAPI OnConsoleControl(DWORD event)
{
    const bool press = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
    if (press && g_presses.fetch_add(1) + 1 <= g_lastStage.load()) return TRUE;
    programend::Request();
    if (!press) ::Sleep(static_cast<DWORD>(programend::kEndWait.count()) + 1000);
    return TRUE;
}
#else
void OnInterrupt(int)
{
    if (g_presses.fetch_add(1) + 1 > g_lastStage.load()) programend::Request();
}
#endif

}  // namespace

namespace interrupts {

void Install(int lastStage)
{
    g_lastStage = lastStage;
    programend::Install(EXIT_CANCELLED);
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

bool Ending() { return programend::Requested(); }

}  // namespace interrupts
