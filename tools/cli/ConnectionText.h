#pragma once
// The one line that says what a command tried when it could not reach a
// device: port and device path, rate, character format, address and its
// width, converter.

#include <optional>
#include <string>

#include "settings/CommSettings.h"

// devicePath: what the port name stands for, nullopt when no such port is
// present.
std::string DescribeConnection(const CommSettings& settings, const std::string& portName,
                               const std::optional<std::string>& devicePath);
