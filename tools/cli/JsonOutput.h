#pragma once
// What identify, ports and inspect print with --json: one JSON object a
// line, whose fields carry the line report's names where they say the same
// (port, device, model, version, file, sha256, sizes).

#include <optional>
#include <string>

#include "configfile/ConfigHeader.h"
#include "platform/PortMap.h"

// The device that answered: port as given, the device path behind it.
std::string IdentifyJson(const std::string& port, const std::optional<std::string>& device,
                         const ConfigHeader& answered);
// One port of the list; description null when the system says nothing of it.
std::string PortJson(const PortEntry& port);
// A file that passed the check: its absolute path, digest, header and
// sizes, and why a write would refuse it (null when it would not).
std::string InspectJson(const std::string& file, const std::string& sha256, const ConfigHeader& header,
                        const std::optional<std::string>& refusal);
