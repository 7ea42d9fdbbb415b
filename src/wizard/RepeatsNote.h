#pragma once
// The line that tells, once a write is done, which areas had to be written
// again and why: the wizard puts it before its "another device?" question,
// the command-line tool among its messages.

#include <string>

struct WriteVerification;

// Empty when every area went in at its first transfer.
std::string RepeatsNote(const WriteVerification& write);
