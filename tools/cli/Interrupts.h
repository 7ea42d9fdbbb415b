#pragma once
// Ctrl-C on the terminal, counted. Each press goes one stage further, and
// the command decides what a stage means (cancel after the block in
// progress; on a production line first stop taking new devices, then
// cancel); a press beyond the last stage ends the program at once.

namespace interrupts {

// From now on Ctrl-C counts; a press beyond lastStage ends the program
// with 130.
void Install(int lastStage);
// Presses so far. Safe from any thread.
int Count();

}  // namespace interrupts
