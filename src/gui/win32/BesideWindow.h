#pragma once
// A call that may block for a while (a port that is slow to open, the
// converter's calibration), run on a thread of its own while this thread
// keeps its windows painting under a busy cursor. The keys and clicks of
// the user, and commands and close requests posted meanwhile, are dropped
// rather than kept for later: nothing else starts while the call runs, and
// nothing starts afterwards from a click the user made while waiting.

#include <functional>

void RunBesideWindow(const std::function<void()>& call);
