#pragma once
// mirrex-cli scan: the device search on the ports given (or the stored
// one), every device found listed on stdout.

#include "CliOptions.h"

// EXIT_DONE when a device was found, EXIT_FAILED when none, EXIT_CANCELLED
// when Ctrl-C ended a search that had found none.
int ScanPorts(const CliOptions& options);
