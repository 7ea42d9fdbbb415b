#include "device/DeviceBackup.h"

#include <atomic>
#include <cstdio>
#include <random>

#include "device/DeviceLink.h"
#include "device/FileErrorText.h"
#include "platform/CodePage1251.h"
#include "resources/BackupTexts.h"

namespace {

// What may stand in a file name on every system the program runs on.
std::string NamePart(std::string text)
{
    for (char& c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos) c = '_';
    }
    // Windows drops trailing dots and blanks from a name.
    while (!text.empty() && (text.back() == '.' || text.back() == ' ')) text.pop_back();
    return text;
}

// A device path names the port by what follows the device folder.
std::string PortPart(std::string port)
{
    for (const char* prefix : {"/dev/", "\\\\.\\"}) {
        const std::string start = prefix;
        if (port.rfind(start, 0) == 0) port.erase(0, start.size());
    }
    return NamePart(port);
}

// A name for the file being written, unique to this program and call.
std::filesystem::path PendingName(const std::filesystem::path& folder)
{
    static std::atomic<unsigned> counter{0};
    static const unsigned token = std::random_device{}();
    char name[64];
    std::snprintf(name, sizeof name, ".backup-%08x-%u.~tmp", token, ++counter);
    return folder / name;
}

constexpr int kMostAttempts = 1000;

}  // namespace

bool ReadDeviceSnapshot(DeviceLink& link, ConfigSnapshot* snapshot)
{
    *snapshot = ConfigSnapshot{};
    if (link.ReadConfiguration() != 1) return false;
    for (int index = 0; index < 4; ++index) {
        const std::filesystem::path path = link.AreaFilePath(kAreas[index]);
        File file = OpenFile(path, FileMode::Read);
        const int64_t length = file.Length();
        std::vector<uint8_t>& area = snapshot->areas[index];
        area.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
        if (length < 0 || static_cast<uint64_t>(length) != link.readSizes[index]
            || !file.ReadExactly(area.data(), area.size())) {
            link.GetPrompts().Show({texts::ReadAreaTexts(kAreas[index]).fileText, MsgIcon::Exclamation});
            return false;
        }
    }
    snapshot->header = link.readHeader;
    snapshot->header.magic = kConfigMagic;
    snapshot->header.size0 = link.readSizes[0];
    snapshot->header.size16 = link.readSizes[1];
    snapshot->header.size40 = link.readSizes[2];
    snapshot->header.size64 = link.readSizes[3];
    return true;
}

std::string BackupFileName(const ConfigHeader& device, const std::string& port, const LocalTime& time, int attempt)
{
    std::string name;
    for (const std::string& part : {NamePart(Utf16ToUtf8(HeaderDeviceName(device))),
                                    NamePart(Utf16ToUtf8(HeaderSoftwareVersion(device))), PortPart(port)}) {
        if (!part.empty()) name += part + "_";
    }
    char moment[48];
    std::snprintf(moment, sizeof moment, "%04d-%02d-%02d_%02d-%02d-%02d", time.year, time.month, time.day, time.hour,
                  time.minute, time.second);
    name += moment;
    if (attempt > 1) name += "-" + std::to_string(attempt);
    return name + ".klx41";
}

std::optional<std::filesystem::path> SaveBackupFile(const std::filesystem::path& folder, const ConfigSnapshot& snapshot,
                                                    const std::string& port, const LocalTime& time, FileError* error)
{
    FileError failure;
    const std::filesystem::path pending = PendingName(folder);
    File file = OpenFile(pending, FileMode::CreateNew, &failure);
    if (!file) {
        if (error != nullptr) *error = failure;
        return std::nullopt;
    }
    const std::vector<uint8_t> image = snapshot.Image();
    if (!file.WriteAll(image.data(), image.size()) || !file.Finish()) {
        // Created but not written whole: the disk is full, as a rule.
        file = File();
        RemoveFile(pending);
        if (error != nullptr) *error = {FileErrorKind::DiskFull, {}};
        return std::nullopt;
    }
    for (int attempt = 1; attempt <= kMostAttempts; ++attempt) {
        const std::filesystem::path target = folder / PathFromUtf8(BackupFileName(snapshot.header, port, time, attempt));
        if (MoveToNewName(pending, target, &failure)) return target;
        if (failure.kind != FileErrorKind::Exists) break;
    }
    RemoveFile(pending);
    if (error != nullptr) *error = failure;
    return std::nullopt;
}

std::optional<std::filesystem::path> BackUpDevice(DeviceLink& link, const std::filesystem::path& folder,
                                                  const std::string& port, Clock& clock, ConfigSnapshot* read)
{
    if (!ReadDeviceSnapshot(link, read)) {
        // The write that asked for this read refuses the device as well.
        if (link.deviceRefused) link.refusalCode = 7;
        return std::nullopt;
    }
    FileError error;
    std::optional<std::filesystem::path> saved = SaveBackupFile(folder, *read, port, clock.Now(), &error);
    if (!saved) {
        link.GetPrompts().Show({texts::kBackupFailed + Utf8FromPath(folder) + ": " + FileErrorReason(error) + "\n"
                                    + texts::kBackupNothingWritten,
                                MsgIcon::Exclamation});
    }
    return saved;
}
