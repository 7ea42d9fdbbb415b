#pragma once
// A call that may block for a while (a port that is slow to open, a device
// that does not answer), run on a thread of its own while the windows keep
// painting under a busy cursor. The keys and clicks of the user, and close
// requests, made meanwhile are dropped rather than kept for later: nothing
// else starts while the call runs, and nothing starts afterwards from a
// click the user made while waiting.

#include <functional>

void RunBesideWindow(const std::function<void()>& call);
