#pragma once
// A call that may block for a while, run on a thread of its own while the
// windows keep painting under a busy cursor. The user's input waits until
// it has finished, as it would behind a call that held the window.

#include <functional>

void RunBesideWindow(const std::function<void()>& call);
