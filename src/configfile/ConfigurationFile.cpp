#include "configfile/ConfigurationFile.h"

#include <bit>
#include <cstring>

#include "device/DeviceLink.h"
#include "device/FileIo.h"
#include "device/Prompts.h"
#include "resources/DeviceTexts.h"

// The record is moved between memory and disk as one block.
static_assert(std::endian::native == std::endian::little, "the header on disk is little-endian");

namespace {

constexpr uint64_t kHeaderSize = sizeof(ConfigHeader);

void Tell(DeviceLink& link, const std::string& text, MsgIcon icon = MsgIcon::None)
{
    link.GetPrompts().Show({text, icon, MsgButtons::Ok, false, MsgCaption::Application});
}

// The saved file is assembled beside the target and only put in its place
// once complete, so a failure never leaves a half-written file in place of
// the user's old one.
class PendingFile {
public:
    explicit PendingFile(const std::filesystem::path& target) : m_target(ThroughLink(target)), m_temp(m_target)
    {
        // Appended as a path: a narrow copy of the name would lose the
        // letters the ANSI code page lacks.
        m_temp += ".~tmp";
    }
    ~PendingFile()
    {
        m_file = File();
        if (!m_committed) RemoveFile(m_temp);
    }
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // Fails, as writing in place would, for a target the user may not
    // write (a read-only file).
    bool Create()
    {
        if (m_target.filename().empty()) return false;
        // Whatever is not a regular file (a folder, a FIFO, a device) is
        // neither replaced nor waited for.
        if (FileExists(m_target) && !OpenFile(m_target, FileMode::Update)) return false;
        m_file = OpenFile(m_temp, FileMode::CreateNew);
        if (!m_file) {  // left over from an interrupted run
            RemoveFile(m_temp);
            m_file = OpenFile(m_temp, FileMode::CreateNew);
        }
        return m_file.IsOpen();
    }
    File& Get() { return m_file; }
    bool Commit()
    {
        m_committed = m_file.Finish() && MoveIntoPlace(m_temp, m_target);
        return m_committed;
    }

private:
    // A link is replaced where it points, as writing through it would.
    static std::filesystem::path ThroughLink(const std::filesystem::path& target)
    {
        std::error_code error;
        if (!std::filesystem::is_symlink(target, error)) return target;
        std::filesystem::path resolved = std::filesystem::weakly_canonical(target, error);
        return error ? target : resolved;
    }

    std::filesystem::path m_target;
    std::filesystem::path m_temp;
    File m_file;
    bool m_committed = false;
};

enum class AppendResult { Done, SourceMissing, WriteFailed };

// Appends the whole of source to target, in pieces (memory stays bounded).
bool AppendFile(File& target, File& source, uint64_t* copied)
{
    std::vector<char> piece(64 * 1024);
    for (;;) {
        int64_t got = source.ReadSome(piece.data(), piece.size());
        if (got < 0) return false;
        if (got == 0) return true;
        if (!target.WriteAll(piece.data(), static_cast<std::size_t>(got))) return false;
        *copied += static_cast<uint64_t>(got);
    }
}

// Appends one temporary area file to the file being saved.
AppendResult AppendArea(DeviceLink& link, int index, File& target, uint64_t* total)
{
    File source = OpenFile(link.AreaFilePath(kAreas[index]), FileMode::Read);
    int64_t length = source.Length();
    if (length < 0) return AppendResult::SourceMissing;
    link.readSizes[index] = static_cast<uint32_t>(length);
    return AppendFile(target, source, total) ? AppendResult::Done : AppendResult::WriteFailed;
}

uint64_t SumOfSizes(const ConfigHeader& header)
{
    return uint64_t{header.size0} + header.size16 + header.size40 + header.size64;
}

}  // namespace

bool AskOverwrite(DeviceLink& link, const std::filesystem::path& target)
{
    MessageBoxRequest question{Utf8FromPath(target) + texts::kSaveOverwriteQuestion, MsgIcon::Question,
                               MsgButtons::YesNo, false, MsgCaption::Application};
    return link.GetPrompts().Show(question) != MsgAnswer::No;
}

bool SaveConfigurationFile(DeviceLink& link, const std::filesystem::path& target)
{
    for (uint32_t& size : link.readSizes) size = 0;
    if (!OpenFile(link.AreaFilePath(0), FileMode::Read)) {
        Tell(link, texts::kSaveNoProgramFile);
        return false;
    }
    if (OpenFile(target, FileMode::Read) && !AskOverwrite(link, target)) return false;

    PendingFile file(target);
    if (!file.Create()) {
        Tell(link, texts::kSaveCannotWrite);
        return false;
    }
    uint64_t written = 0;
    for (int index = 0; index < 4; ++index) {
        AppendResult result = AppendArea(link, index, file.Get(), &written);
        if (result == AppendResult::SourceMissing) {
            Tell(link, index == 0 ? texts::kSaveNoProgramFile : texts::kSaveNoConfigFile);
            return false;
        }
        if (result == AppendResult::WriteFailed) {
            Tell(link, texts::kSaveCannotWrite);
            return false;
        }
    }
    // The name and version of the device these areas were read from, never
    // those of a file checked since.
    ConfigHeader header = link.readHeader;
    header.magic = kConfigMagic;
    header.size0 = link.readSizes[0];
    header.size16 = link.readSizes[1];
    header.size40 = link.readSizes[2];
    header.size64 = link.readSizes[3];
    // An area file of 4 GiB or more cannot be described by the header.
    if (written != SumOfSizes(header)) {
        Tell(link, texts::kSaveSizesWrong);
        return false;
    }
    link.header = header;
    if (!file.Get().WriteAll(&header, sizeof header) || !file.Commit()) {
        Tell(link, texts::kSaveCannotWrite);
        return false;
    }
    Tell(link, texts::kSaveDone, MsgIcon::Information);
    return true;
}

bool CheckConfigurationFile(DeviceLink& link, const std::filesystem::path& path)
{
    const std::string shown = Utf8FromPath(path);
    File file = OpenFile(path, FileMode::Read);
    int64_t length = file.Length();
    if (length < 0) {
        Tell(link, shown + texts::kCheckCannotOpen);
        return false;
    }
    if (static_cast<uint64_t>(length) < 2 * kHeaderSize) {
        Tell(link, shown + texts::kCheckNotConfig);
        return false;
    }
    ConfigHeader read{};
    if (!file.SeekTo(length - static_cast<int64_t>(kHeaderSize)) || !file.ReadExactly(&read, sizeof read)) {
        Tell(link, shown + texts::kCheckCannotOpen);
        return false;
    }
    link.header = read;
    if (read.magic != kConfigMagic) {
        Tell(link, shown + texts::kCheckNotConfig);
        return false;
    }
    // Added in 64 bits: sizes that wrap around 32 bits must not pass, and
    // with an exact sum every area lies inside the image.
    if (SumOfSizes(read) + kHeaderSize != static_cast<uint64_t>(length)) {
        Tell(link, shown + texts::kCheckSizesWrong);
        return false;
    }
    return true;
}

bool LoadConfigurationImage(DeviceLink& link, const std::filesystem::path& path, std::vector<uint8_t>* image)
{
    image->clear();
    File file = OpenFile(path, FileMode::Read);
    int64_t length = file.Length();
    uint64_t expected = SumOfSizes(link.header) + kHeaderSize;
    // The file must still be the one the check accepted.
    bool ok = length >= 0 && static_cast<uint64_t>(length) == expected;
    // A file larger than any device can take would be refused by the write
    // anyway; it must not be read into memory first.
    if (ok && static_cast<uint64_t>(length) > kLargestImage) {
        Tell(link, texts::kImageSizeError, MsgIcon::Error);
        return false;
    }
    if (ok) {
        image->assign(static_cast<std::size_t>(length), 0);
        ok = file.ReadExactly(image->data(), image->size()) &&
             std::memcmp(image->data() + image->size() - kHeaderSize, &link.header, kHeaderSize) == 0;
    }
    if (!ok) {
        image->clear();
        Tell(link, Utf8FromPath(path) + texts::kCheckCannotOpen);
    }
    return ok;
}
