#pragma once
// Packing the four temporary area files into a configuration file, checking
// a configuration file, and loading it as one image. Each shows its own
// messages through the link's prompts and reports success or failure.

#include <cstdint>
#include <filesystem>
#include <vector>

class DeviceLink;

bool SaveConfigurationFile(DeviceLink& link, const std::filesystem::path& target);
// The save's question before an existing target is replaced: true to go on.
bool AskOverwrite(DeviceLink& link, const std::filesystem::path& target);
// Leaves the file's last 212 bytes in link.header whenever it got that far.
bool CheckConfigurationFile(DeviceLink& link, const std::filesystem::path& path);
// The whole file of a file that has just passed the check; false (with a
// message) when it cannot be read after all.
bool LoadConfigurationImage(DeviceLink& link, const std::filesystem::path& path,
                            std::vector<uint8_t>* image);
