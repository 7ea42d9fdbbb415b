#pragma once
// Ctrl-C on the terminal, counted. Each press goes one stage further, and
// the command decides what a stage means (cancel after the block in
// progress; on a production line first stop taking new devices, then
// cancel). A press beyond the last stage tells the program to end, as
// SIGTERM and SIGHUP do (on Windows: the console closed, logging off,
// shutting down): see platform/ProgramEnd.h.

#include <chrono>

namespace interrupts {

// What a line waits for its devices to end once told to end, before it
// records the rest as interrupted; well within the program's own end.
inline constexpr std::chrono::milliseconds kLineEndWait{3000};

// From now on Ctrl-C counts and the requests to end are heard.
void Install(int lastStage);
// Presses so far. Safe from any thread.
int Count();
// True once the program has been told to end. Safe from any thread.
bool Ending();

}  // namespace interrupts
