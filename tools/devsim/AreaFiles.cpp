#include "AreaFiles.h"

#include <random>
#include <string_view>

#include "DeviceModel.h"
#include "platform/AtomicFile.h"

std::string AreaFileName(uint8_t area)
{
    return "config_" + std::to_string(area) + ".dat";
}

std::optional<AreaSet> LoadAreaFiles(const std::string& folder, uint32_t maxSize, std::string& error)
{
    AreaSet areas;
    for (size_t i = 0; i < areas.size(); ++i) {
        const std::string path = folder + '/' + AreaFileName(DeviceModel::kAreas[i]);
        const auto content = ReadWholeFile(path, maxSize);
        if (!content) {
            error = "cannot read " + path + " (missing, unreadable or larger than "
                    + std::to_string(maxSize) + " bytes)";
            return std::nullopt;
        }
        areas[i].assign(content->begin(), content->end());
    }
    return areas;
}

bool SaveAreaFile(const std::string& folder, uint8_t area, const std::vector<uint8_t>& bytes)
{
    const std::string_view content(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return MakeDirectories(folder) && WriteFileAtomically(folder + '/' + AreaFileName(area), content);
}

AreaSet RandomAreaSet(uint32_t seed, const std::array<uint32_t, 4>& sizes)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    AreaSet areas;
    for (size_t i = 0; i < areas.size(); ++i) {
        areas[i].resize(sizes[i]);
        for (auto& b : areas[i])
            b = static_cast<uint8_t>(byte(random));
    }
    return areas;
}
