#pragma once
// A write that looks before it overwrites: it may keep what the device
// held (a backup file) and leave alone a device that already holds the
// file's configuration. The command line and the wizard both write
// through it; the clock, when asked for, follows as after any write.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "device/ConfigComparison.h"

class Clock;
class DeviceLink;

struct WriteSafeguards {
    std::optional<std::filesystem::path> backupFolder;  // keep the device's configuration here first
    bool skipSame = false;                              // write nothing into a device that matches
    std::string port;                                   // the port's name, for the backup's name
};

enum class GuardedOutcome {
    Written,     // the write job returned 1
    Same,        // the device already held the file's configuration: nothing written
    NotWritten,  // a failure, told by the job (or deviceRefused set)
};

struct GuardedWriteResult {
    GuardedOutcome outcome = GuardedOutcome::NotWritten;
    std::optional<std::filesystem::path> backup;  // the backup file, once saved
};

// The image of a checked file, whole. One read serves the backup and the
// comparison. A failed backup writes nothing.
GuardedWriteResult WriteWithSafeguards(DeviceLink& link, const std::vector<uint8_t>& image, bool verify,
                                       const WriteSafeguards& guards, Clock& clock);
