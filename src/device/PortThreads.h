#pragma once
// Running one job on several ports at once: each port's job on a thread of
// its own, so that a slow or silent port holds up no other. The line write
// and the device search of every front end run their ports through it.

#include <functional>
#include <vector>

// Runs every job on its own thread and returns when all have ended. While
// they run, whileWaiting (if given) is called on the calling thread about
// ten times a second, for a display or a look at Ctrl-C.
void RunOnEachPort(const std::vector<std::function<void()>>& jobs, const std::function<void()>& whileWaiting = {});
