#pragma once
// Running one job on several ports at once: each port's job on a thread of
// its own, so that a slow or silent port holds up no other. The line write
// and the device search of every front end run their ports through it.

#include <functional>
#include <vector>

// Runs every job on its own thread and returns true when all have ended.
// While they run, keepWaiting (if given) is called on the calling thread
// about ten times a second, for a display or a look at Ctrl-C; when it
// answers false, the jobs still running are left to end on their own
// (a program that must end now) and the answer is false. Each thread keeps
// its own copy of its job, so what a job refers to must outlive it.
bool RunOnEachPort(const std::vector<std::function<void()>>& jobs, const std::function<bool()>& keepWaiting = {});
