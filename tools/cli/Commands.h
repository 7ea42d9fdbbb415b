#pragma once
// The commands of mirrex-cli on the core, each returning the exit code.

#include "CliOptions.h"

enum ExitCode : int {
    EXIT_DONE = 0,
    EXIT_FAILED = 1,
    EXIT_USAGE = 2,
    EXIT_REFUSED = 3,
    EXIT_CANCELLED = 4,
    EXIT_MISMATCH = 5,
    EXIT_DIFFERENT = 6,  // compare, diff: the configurations differ
};

int RunCommand(const CliOptions& options);
// Names the bad argument (when there is one) and shows the usage; EXIT_USAGE.
int ReportUsageError(const std::string& argument);
