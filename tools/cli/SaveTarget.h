#pragma once
// Whether a configuration file can be saved at a path, found out before a
// device is read: a read takes minutes, and a target that cannot be written
// should not cost them.

#include <filesystem>
#include <optional>
#include <string>

#include "device/FileErrorText.h"
#include "device/FileIo.h"

// Why the file cannot be saved there (for the user), or nullopt when it
// can: the folder exists and takes a new file (one is created beside the
// target and removed again), and the target, if present, is a regular file
// that may be written.
std::optional<std::string> WhyTargetCannotBeSaved(const std::filesystem::path& target);
