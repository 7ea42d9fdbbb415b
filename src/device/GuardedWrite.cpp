#include "device/GuardedWrite.h"

#include "device/DeviceBackup.h"
#include "device/DeviceLink.h"
#include "device/WriteRefusal.h"

namespace {

// Who the device said it was, for the callers that report it, when the
// write job did not run to say it.
void NoteDeviceRead(DeviceLink& link, const ConfigHeader& read, bool verify)
{
    link.lastWrite = WriteVerification{};
    link.lastWrite.on = verify;
    link.lastWriteDevice = DeviceIdentity{};
    const std::u16string model = HeaderDeviceName(read);
    const std::u16string version = HeaderSoftwareVersion(read);
    if (!model.empty()) link.lastWriteDevice.model = model;
    if (!version.empty()) link.lastWriteDevice.version = version;
}

}  // namespace

GuardedWriteResult WriteWithSafeguards(DeviceLink& link, const std::vector<uint8_t>& image, bool verify,
                                       const WriteSafeguards& guards, Clock& clock)
{
    GuardedWriteResult result;
    const bool readFirst = guards.backupFolder || guards.skipSame;
    // What the file alone refuses costs no read.
    if (readFirst && !RefuseImage(image.data(), image.size())) {
        ConfigSnapshot device;
        if (guards.backupFolder) {
            result.backup = BackUpDevice(link, *guards.backupFolder, guards.port, clock, &device);
            if (!result.backup) {
                NoteDeviceRead(link, link.readHeader, verify);
                return result;
            }
        } else if (!ReadDeviceSnapshot(link, &device)) {
            if (link.deviceRefused) link.refusalCode = 7;
            NoteDeviceRead(link, link.readHeader, verify);
            return result;
        }
        if (guards.skipSame && CompareConfigurations(SnapshotOfImage(image.data(), image.size()), device).Same()) {
            NoteDeviceRead(link, device.header, verify);
            result.outcome = GuardedOutcome::Same;
            return result;
        }
    }
    result.outcome = link.WriteConfiguration(image.data(), image.size(), verify) == 1 ? GuardedOutcome::Written
                                                                                      : GuardedOutcome::NotWritten;
    return result;
}
