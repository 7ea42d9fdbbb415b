#pragma once
// The four memory areas as files: DIR/config_0.dat, config_16.dat,
// config_40.dat and config_64.dat, raw bytes each.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

using AreaSet = std::array<std::vector<uint8_t>, 4>;

std::string AreaFileName(uint8_t area);

// All four files, or nullopt (with the reason) when one is missing or too large.
std::optional<AreaSet> LoadAreaFiles(const std::string& folder, uint32_t maxSize, std::string& error);

// Writes one area's file atomically, creating the folder if needed.
bool SaveAreaFile(const std::string& folder, uint8_t area, const std::vector<uint8_t>& bytes);

// Random bytes of the given sizes, the same for the same seed.
AreaSet RandomAreaSet(uint32_t seed, const std::array<uint32_t, 4>& sizes);
