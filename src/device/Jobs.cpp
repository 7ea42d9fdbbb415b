// The read job and the write job: four areas in a row, each under its own
// progress display, with the user told about every failure.
#include "device/DeviceLink.h"
#include "device/FileIo.h"
#include "device/ProgressDialogs.h"
#include "device/WriteRefusal.h"
#include "resources/DeviceTexts.h"

bool DeviceLink::ReportArea(DialogResult result, const AreaJob& job, const texts::AreaTexts& words)
{
    // A cancelled transfer may still be finishing its block.
    WaitUntilReleased(&job);
    if (result == DialogResult::Cancel) {
        // Cancelled in the read-back (or after the last block): the area is
        // in the device, only its check was cut short.
        const bool written = job.written && *words.uncheckedText != '\0';
        Tell(std::string(written ? words.uncheckedText : words.cancelText) + texts::StatusText(LINK_CANCELLED),
             MsgIcon::None);
        return false;
    }
    if (job.status != 0 || job.data.empty()) {
        std::string text = words.failureText;
        if (job.status == LINK_READ_BACK_DIFFERS) {
            text += std::string("\n") + texts::ReadBackDiffers(1 + job.repeats + job.rewrites);
        } else if (!job.data.empty()) {
            text += texts::StatusText(job.status);
        }
        Tell(text, MsgIcon::Exclamation);
        return false;
    }
    return true;
}

int DeviceLink::ReadConfiguration()
{
    for (uint8_t area : kAreas) RemoveFile(AreaFilePath(area));
    for (uint32_t& size : readSizes) size = 0;
    // These areas travel with the name of the device they come from, never
    // with one left by an earlier device or a checked file.
    readHeader = ConfigHeader{};
    identifyPending = true;
    AreaJob job;
    job.retries = retries;
    for (int index = 0; index < 4; ++index) {
        const texts::AreaTexts& words = texts::ReadAreaTexts(kAreas[index]);
        job.area = kAreas[index];
        job.data.clear();
        job.repeats = 0;
        DialogResult result = m_dialogs.RunAreaRead(words.title, job);
        if (!ReportArea(result, job, words)) return 0;
        if (!StoreAreaFile(job)) {
            Tell(words.fileText, MsgIcon::Exclamation);
            return 0;
        }
        readSizes[index] = static_cast<uint32_t>(job.data.size());
    }
    return 1;
}

// A file that was created but could not be written completely (a full
// disk) is removed: no area file may hold less than its area.
bool DeviceLink::StoreAreaFile(const AreaJob& job)
{
    std::filesystem::path path = AreaFilePath(job.area);
    File file = OpenFile(path, FileMode::Create);
    if (!file) return false;
    if (file.WriteAll(job.data.data(), job.data.size()) && file.Finish()) return true;
    file = File();
    RemoveFile(path);
    return false;
}

int DeviceLink::WriteConfiguration(const uint8_t* image, std::size_t length, bool verify)
{
    lastWrite = WriteVerification{};
    lastWrite.on = verify;
    lastWriteDevice = DeviceIdentity{};
    // What the file alone shows to be unwritable never reaches the device:
    // an opened empty write would erase the area.
    if (std::optional<WriteRefusal> refusal = RefuseWrite(header, image ? length : 0)) {
        Tell(refusal->text, refusal->icon);
        return 0;
    }
    if (!CheckWriteTarget()) return 0;
    AreaJob job;
    job.verify = verify;
    job.retries = retries;
    const uint32_t sizes[4] = {header.size0, header.size16, header.size40, header.size64};
    std::size_t start = 0;
    for (int index = 0; index < 4; ++index) {
        const texts::AreaTexts& words = texts::WriteAreaTexts(kAreas[index]);
        job.data.assign(image + start, image + start + sizes[index]);
        job.area = kAreas[index];
        job.rewrites = 0;
        job.repeats = 0;
        start += sizes[index];
        DialogResult result = m_dialogs.RunAreaWrite(words.title, job);
        bool written = ReportArea(result, job, words);
        lastWrite.rewrites[index] = job.rewrites;
        lastWrite.repeats[index] = job.repeats;
        if (!written) {
            lastWrite.differs = result != DialogResult::Cancel && job.status == LINK_READ_BACK_DIFFERS;
            return 0;
        }
        ++lastWrite.writtenAreas;
        if (verify) ++lastWrite.verifiedAreas;
    }
    return 1;
}
