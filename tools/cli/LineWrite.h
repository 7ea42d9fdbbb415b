#pragma once
// Writing one configuration file on a production line: into the devices
// on several ports at once, each port with its own link, and with --loop
// into every device connected to a port after the last, with a record of
// each device and a table at the end.

#include "CliOptions.h"

// The exit code of the worst device.
int WriteOnTheLine(const CliOptions& options);
