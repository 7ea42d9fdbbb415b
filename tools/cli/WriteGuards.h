#pragma once
// What --backup and --skip-same ask of a write, for one port.

#include <filesystem>
#include <optional>
#include <string>

#include "CliOptions.h"
#include "device/GuardedWrite.h"

class DeviceLink;

WriteSafeguards SafeguardsOf(const CliOptions& options, const DeviceLink& link, const std::optional<PortChoice>& port);
// Why no backup can be saved into the folder ("DIR: такой папки нет. "),
// or nullopt when a file can be created there.
std::optional<std::string> WhyBackupFolderCannotTake(const std::filesystem::path& folder);
