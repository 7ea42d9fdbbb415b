#pragma once
// Reading a device's whole configuration into memory, and keeping it as a
// configuration file of its own before anything overwrites it.

#include <filesystem>
#include <optional>
#include <string>

#include "device/ConfigComparison.h"
#include "device/FileIo.h"
#include "platform/Clock.h"

class DeviceLink;

// The read job (identification, the four areas under their progress
// displays, every failure told) with the areas taken into memory; false
// when it failed (told, or deviceRefused set).
bool ReadDeviceSnapshot(DeviceLink& link, ConfigSnapshot* snapshot);

// "KLX41_1.0_COM3_2026-12-09_10-04-05.klx41", "..._10-04-05-2.klx41" for the
// second attempt: model, version and port with what a file name cannot
// hold replaced, and the local time.
std::string BackupFileName(const ConfigHeader& device, const std::string& port, const LocalTime& time, int attempt);

// Saves the snapshot as a new configuration file in folder, whole or not
// at all, never in place of a file there (a name taken meanwhile, by
// another program at the same second too, makes the next attempt's name).
// The file's path, or nullopt with the reason in *error.
std::optional<std::filesystem::path> SaveBackupFile(const std::filesystem::path& folder, const ConfigSnapshot& snapshot,
                                                    const std::string& port, const LocalTime& time, FileError* error);

// Reads the device and saves what it holds into folder; nullopt when the
// read failed (told by the read job) or the file could not be saved (told
// here, with the note that nothing was written). A device refused by the
// read is refused for a write (refusalCode 7). *read gets what was read.
std::optional<std::filesystem::path> BackUpDevice(DeviceLink& link, const std::filesystem::path& folder,
                                                  const std::string& port, Clock& clock, ConfigSnapshot* read);
