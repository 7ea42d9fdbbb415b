// Looking before a write overwrites: comparing configurations, keeping what
// a device held in a backup file, and leaving a matching device alone.
#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "DeviceTestKit.h"
#include "device/DeviceBackup.h"
#include "device/GuardedWrite.h"
#include "resources/BackupTexts.h"

namespace {

using Words = std::vector<std::string>;

class FixedClock : public Clock {
public:
    LocalTime Now() override { return {2026, 12, 9, 10, 4, 5}; }
};

std::size_t Count(const Words& words, const std::string& word)
{
    return static_cast<std::size_t>(std::count(words.begin(), words.end(), word));
}

// A source whose header names the device the rig plays.
const Source kFile({300, 30, 30, 30});

std::vector<std::filesystem::path> FilesIn(const std::filesystem::path& folder)
{
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

TEST(ConfigComparison, SaysWhatDiffersAndWhere)
{
    const ConfigSnapshot file = SnapshotOfImage(kFile.image.data(), kFile.image.size());
    EXPECT_EQ(file.Image(), kFile.image);
    EXPECT_TRUE(CompareConfigurations(file, file).Same());

    ConfigSnapshot other = file;
    other.areas[2][17] ^= 1;
    other.areas[3].push_back(0);
    ConfigComparison comparison = CompareConfigurations(file, other);
    EXPECT_FALSE(comparison.Same());
    EXPECT_TRUE(comparison.areas[0].same);
    EXPECT_TRUE(comparison.areas[1].same);
    EXPECT_EQ(comparison.areas[2].differingBytes, 1u);
    EXPECT_EQ(comparison.areas[2].firstOffsets, std::vector<uint32_t>{17});
    // A byte more: counted, and shown where the shorter area ends.
    EXPECT_EQ(comparison.areas[3].differingBytes, 1u);
    EXPECT_EQ(comparison.areas[3].firstOffsets, std::vector<uint32_t>{30});
    EXPECT_EQ(comparison.areas[3].actualSize, 31u);

    // Many differences: all counted, the first few shown.
    other = file;
    for (uint8_t& byte : other.areas[0]) byte ^= 0xFF;
    comparison = CompareConfigurations(file, other);
    EXPECT_EQ(comparison.areas[0].differingBytes, 300u);
    EXPECT_EQ(comparison.areas[0].firstOffsets.size(), kShownOffsets);

    // The model counts with its case; a version the device does not give
    // is not held against it, as the write job lets it pass.
    other = file;
    SetHeaderDeviceName(other.header, u"klx41");
    EXPECT_FALSE(CompareConfigurations(file, other).modelSame);
    other = file;
    SetHeaderSoftwareVersion(other.header, u"");
    EXPECT_TRUE(CompareConfigurations(file, other).Same());
    SetHeaderSoftwareVersion(other.header, u"1.1");
    EXPECT_FALSE(CompareConfigurations(file, other).versionSame);
}

TEST(DeviceBackup, NamesTheDeviceAndTheMomentAndNeverReplacesAFile)
{
    ConfigHeader device{};
    SetHeaderDeviceName(device, u"KLX41");
    SetHeaderSoftwareVersion(device, u"2.0/b");
    const LocalTime time{2026, 3, 5, 7, 4, 9};
    EXPECT_EQ(BackupFileName(device, "COM3", time, 1), "KLX41_2.0_b_COM3_2026-03-05_07-04-09.klx41");
    EXPECT_EQ(BackupFileName(device, "/dev/pts/7", time, 3), "KLX41_2.0_b_pts_7_2026-03-05_07-04-09-3.klx41");
    EXPECT_EQ(BackupFileName(device, "\\\\.\\COM12", time, 1), "KLX41_2.0_b_COM12_2026-03-05_07-04-09.klx41");

    TempFolder folder;
    const ConfigSnapshot snapshot = SnapshotOfImage(kFile.image.data(), kFile.image.size());
    // Two programs at the same second, many times over: every file whole
    // under a name of its own, and nothing left beside them.
    std::vector<std::optional<std::filesystem::path>> saved(8);
    std::vector<std::thread> threads;
    for (auto& path : saved) {
        threads.emplace_back([&] { path = SaveBackupFile(folder.Path(), snapshot, "COM3", time, nullptr); });
    }
    for (std::thread& thread : threads) thread.join();
    std::set<std::filesystem::path> names;
    for (const auto& path : saved) {
        ASSERT_TRUE(path);
        names.insert(*path);
        EXPECT_EQ(FileBytes(*path), kFile.image);
    }
    EXPECT_EQ(names.size(), saved.size());
    EXPECT_EQ(FilesIn(folder.Path()).size(), saved.size());

    // A folder that is missing, or a file: nothing saved, the reason given.
    FileError error;
    EXPECT_FALSE(SaveBackupFile(folder.Path() / "missing", snapshot, "COM3", time, &error));
    EXPECT_EQ(error.kind, FileErrorKind::NotFound);
    EXPECT_FALSE(SaveBackupFile(*saved[0], snapshot, "COM3", time, &error));
    EXPECT_EQ(FileBytes(*saved[0]), kFile.image);
#ifndef _WIN32
    // A disk that fills while the file is written: none is left half-made.
    EXPECT_FALSE(WithFileSizeLimit(100, [&] { return SaveBackupFile(folder.Path(), snapshot, "COM4", time, &error); }));
    EXPECT_EQ(error.kind, FileErrorKind::DiskFull);
    EXPECT_EQ(FilesIn(folder.Path()).size(), saved.size());
#endif
}

TEST(GuardedWrite, TheBackupHoldsWhatTheDeviceHeldThenTheFileIsWritten)
{
    Rig rig;
    std::vector<std::vector<uint8_t>> before;
    for (uint8_t area : kAreas) before.push_back(rig.device.Area(area));
    ASSERT_EQ(rig.Open(), 0);
    rig.link.header = kFile.header;
    TempFolder backups;
    FixedClock clock;
    const GuardedWriteResult result =
        WriteWithSafeguards(rig.link, kFile.image, true, {backups.Path(), false, "COM3"}, clock);
    rig.link.Stop();
    EXPECT_EQ(result.outcome, GuardedOutcome::Written);
    ASSERT_TRUE(result.backup);
    EXPECT_EQ(result.backup->filename(), "KLX41_1.0_COM3_2026-12-09_10-04-05.klx41");
    const std::vector<uint8_t> kept = FileBytes(*result.backup);
    const ConfigSnapshot backup = SnapshotOfImage(kept.data(), kept.size());
    for (int index = 0; index < 4; ++index) {
        EXPECT_EQ(backup.areas[index], before[index]) << index;
        EXPECT_EQ(rig.device.Area(kAreas[index]), kFile.areas[index]) << index;
    }
    EXPECT_EQ(HeaderDeviceName(backup.header), u"KLX41");
    EXPECT_EQ(HeaderSoftwareVersion(backup.header), u"1.0");
    EXPECT_EQ(kept.size(), backup.header.size0 + backup.header.size16 + backup.header.size40 + backup.header.size64
                               + sizeof(ConfigHeader));
}

TEST(GuardedWrite, NothingIsWrittenIntoADeviceWhoseConfigurationCouldNotBeKept)
{
    TempFolder backups;
    FixedClock clock;
    const std::filesystem::path notAFolder = backups.Path() / "file";
    std::ofstream(notAFolder) << "x";

    // A folder that takes no file.
    Rig rig;
    const std::vector<uint8_t> area40 = rig.device.Area(40);
    ASSERT_EQ(rig.Open(), 0);
    rig.link.header = kFile.header;
    GuardedWriteResult result = WriteWithSafeguards(rig.link, kFile.image, true, {notAFolder, false, "COM3"}, clock);
    rig.link.Stop();
    EXPECT_EQ(result.outcome, GuardedOutcome::NotWritten);
    EXPECT_FALSE(result.backup);
    EXPECT_EQ(Count(HeardCommands(rig.device), "P.W.R.T. 0"), 0u);
    EXPECT_EQ(rig.device.Area(40), area40);
    ASSERT_FALSE(rig.prompts.shown.empty());
    EXPECT_EQ(rig.prompts.shown.back().text.rfind(texts::kBackupFailed, 0), 0u);
    EXPECT_NE(rig.prompts.shown.back().text.find(texts::kBackupNothingWritten), std::string::npos);

    // A device that vanishes during the backup's read: its read job says
    // so, nothing is kept and nothing written.
    DeviceModelConfig vanishing;
    vanishing.vanishAfter = 40;
    Rig gone(vanishing);
    ASSERT_EQ(gone.Open(), 0);
    gone.link.header = kFile.header;
    result = WriteWithSafeguards(gone.link, kFile.image, true, {backups.Path(), false, "COM3"}, clock);
    gone.link.Stop();
    EXPECT_EQ(result.outcome, GuardedOutcome::NotWritten);
    EXPECT_EQ(Count(HeardCommands(gone.device), "P.W.R.T. 0"), 0u);
    EXPECT_EQ(FilesIn(backups.Path()).size(), 1u);  // the file made above
    ASSERT_FALSE(gone.prompts.shown.empty());
    EXPECT_EQ(gone.prompts.shown.back().text.rfind("Не удалось считать", 0), 0u);

    // A device the read refuses is refused for the write.
    DeviceModelConfig other;
    other.model = "XYZ";
    Rig refused(other);
    ASSERT_EQ(refused.Open(), 0);
    refused.link.header = kFile.header;
    result = WriteWithSafeguards(refused.link, kFile.image, true, {backups.Path(), false, "COM3"}, clock);
    EXPECT_EQ(result.outcome, GuardedOutcome::NotWritten);
    EXPECT_TRUE(refused.link.deviceRefused);
    EXPECT_EQ(refused.link.refusalCode, 7);
}

TEST(GuardedWrite, ADeviceThatAlreadyMatchesIsLeftAloneAfterOneRead)
{
    FixedClock clock;
    TempFolder backups;
    Rig rig;
    for (int index = 0; index < 4; ++index) rig.device.SetArea(kAreas[index], kFile.areas[index]);
    ASSERT_EQ(rig.Open(), 0);
    rig.link.header = kFile.header;
    GuardedWriteResult result = WriteWithSafeguards(rig.link, kFile.image, true, {backups.Path(), true, "COM3"}, clock);
    rig.link.Stop();
    EXPECT_EQ(result.outcome, GuardedOutcome::Same);
    const Words heard = HeardCommands(rig.device);
    EXPECT_EQ(Count(heard, "P.W.R.T. 0"), 0u);
    EXPECT_EQ(Count(heard, "P.R.S.T."), 0u);
    // The backup's read is the comparison's: each area read once.
    EXPECT_EQ(Count(heard, "P.I.N.F."), 4u);
    EXPECT_EQ(FilesIn(backups.Path()).size(), 1u);
    EXPECT_EQ(rig.link.lastWriteDevice.model, std::u16string(u"KLX41"));

    // One byte of area 40 otherwise: written as usual.
    std::vector<uint8_t> changed = kFile.areas[2];
    changed[5] ^= 0x10;
    rig.device.SetArea(40, changed);
    ASSERT_EQ(rig.Open(), 0);
    result = WriteWithSafeguards(rig.link, kFile.image, true, {std::nullopt, true, "COM3"}, clock);
    rig.link.Stop();
    EXPECT_EQ(result.outcome, GuardedOutcome::Written);
    EXPECT_EQ(rig.device.Area(40), kFile.areas[2]);
}
