#pragma once
// What every command needs to talk to a device on one port: the settings
// stored by the program, the port given on the command line, and the
// words for a port that did not open or a device that did not answer.

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "CliOptions.h"
#include "platform/SerialLine.h"
#include "settings/CommSettings.h"

class DeviceLink;

CommSettings StoredSettings();
std::filesystem::path AreaFolderOf(const CliOptions& options);
// A port given as a device path is opened by that path.
void UsePortPath(DeviceLink& link, const std::optional<PortChoice>& port);
// The serial line that opens such a port; nullptr for a COM name, which the
// platform's own line resolves.
std::function<std::unique_ptr<SerialLine>()> PathLineFactory(const std::optional<PortChoice>& port);
// The port's name as the user knows it ("COM3", or the path given), and
// the device path behind it (nullopt when no such port is present).
std::string PortNameOf(const DeviceLink& link, const std::optional<PortChoice>& port);
std::optional<std::string> DevicePathOf(const DeviceLink& link, const std::optional<PortChoice>& port);
// The system's message for a failed Start, with the port's own account.
std::string PortOpenFailure(const DeviceLink& link, int result);
// What was tried: port, device path, rate, format and address.
std::string DescribeConnectionOf(const DeviceLink& link, const std::optional<PortChoice>& port);
