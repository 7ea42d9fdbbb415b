#pragma once
// The program told to end from outside: SIGTERM, SIGHUP, the last Ctrl-C of
// a command, a closed console. From the request on, the program cancels what
// runs, keeps its records and closes its ports the ordinary way; it has
// kEndWait for that, and then the ports are put back from here (whatever
// thread still holds them) and the program ends with the code given to
// Install. Shared by the command line and the wizard.

#include <chrono>

namespace programend {

inline constexpr std::chrono::milliseconds kEndWait{6000};

// Starts listening; on Linux SIGTERM and SIGHUP become requests to end.
void Install(int exitCode);
// Safe in a signal handler and from any thread; the first request counts.
void Request();
bool Requested();

}  // namespace programend
