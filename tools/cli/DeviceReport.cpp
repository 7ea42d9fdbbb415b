#include "DeviceReport.h"

#include <cstdio>

#include "JsonText.h"
#include "SaveTarget.h"
#include "device/AreaJob.h"
#include "platform/Utf8Path.h"
#include "resources/CliTexts.h"

namespace {

// What a compare found: {"model":false,"version":false,"areas":[40]}, or null.
std::string DifferencesJson(const std::optional<DeviceRecord::Differences>& differences)
{
    if (!differences) return "null";
    std::string areas;
    for (uint8_t area : differences->areas) areas += (areas.empty() ? "" : ",") + std::to_string(area);
    return std::string("{\"model\":") + (differences->model ? "true" : "false") + ",\"version\":"
           + (differences->version ? "true" : "false") + ",\"areas\":[" + areas + "]}";
}

}  // namespace

const char* ResultWord(DeviceResult result)
{
    switch (result) {
    case DeviceResult::Done: return "done";
    case DeviceResult::Failed: return "failed";
    case DeviceResult::Refused: return "refused";
    case DeviceResult::Cancelled: return "cancelled";
    case DeviceResult::Same: return "same";
    case DeviceResult::Different: return "different";
    case DeviceResult::Interrupted: return "interrupted";
    }
    return "failed";
}

std::string WrittenAreasText(uint32_t writtenAreas)
{
    if (writtenAreas == 0) return texts::kCliNoAreaWritten;
    std::string text = texts::kCliAreasWritten;
    for (uint32_t index = 0; index < writtenAreas && index < 4; ++index) {
        text += (index > 0 ? ", " : "") + std::to_string(kAreas[index]);
    }
    return text + ". ";
}

namespace {

std::string WrittenAreasJson(uint32_t writtenAreas)
{
    std::string list = "[";
    for (uint32_t index = 0; index < writtenAreas && index < 4; ++index) {
        list += (index > 0 ? "," : "") + std::to_string(kAreas[index]);
    }
    return list + "]";
}

// Why the report cannot be opened, in the user's words: a file is never
// called a folder, and the system's own (English) words are never shown.
std::string ReportOpenReason(const std::filesystem::path& path, const FileError& error)
{
    std::error_code ignored;
    switch (error.kind) {
    case FileErrorKind::NoPermission:
        return std::filesystem::exists(path, ignored) ? texts::kCliReportNoPermission : texts::kCliTargetNoPermission;
    case FileErrorKind::NotAFile:
        return std::filesystem::is_directory(path, ignored) ? texts::kCliReportIsFolder : texts::kCliReportNotAFile;
    default: return FileErrorReason(error);
    }
}

}  // namespace

std::string JsonLine(const DeviceRecord& record)
{
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", record.seconds);
    return "{\"time\":" + JsonQuoted(record.time) + ",\"port\":" + JsonQuoted(record.port) + ",\"device\":"
           + JsonQuotedOrNull(record.devicePath) + ",\"model\":" + JsonQuotedOrNull(record.model) + ",\"version\":"
           + JsonQuotedOrNull(record.version) + ",\"file\":" + JsonQuoted(record.file) + ",\"sha256\":"
           + JsonQuoted(record.sha256) + ",\"sizes\":" + JsonNumbers(record.sizes) + ",\"verify\":"
           + (record.verify ? "true" : "false") + ",\"rewrites\":" + (record.verify ? JsonNumbers(record.rewrites) : "null")
           + ",\"repeats\":" + JsonNumbers(record.repeats)
           + ",\"clock\":" + (record.clockSet ? "true" : "false") + ",\"result\":" + JsonQuoted(ResultWord(record.result))
           + ",\"written\":" + WrittenAreasJson(record.writtenAreas)
           + ",\"message\":" + JsonQuoted(record.message) + ",\"seconds\":" + seconds
           + (record.compared ? ",\"differs\":" + DifferencesJson(record.differences)
                              : ",\"backup\":" + JsonQuotedOrNull(record.backup))
           + "}\n";
}

std::unique_ptr<ReportFile> ReportFile::Open(const std::filesystem::path& path, std::string* reason)
{
    FileError error;
    File file = OpenFile(path, FileMode::Append, &error);
    if (file) return std::make_unique<ReportFile>(std::move(file), path);
    if (reason != nullptr) *reason = Utf8FromPath(path) + ": " + ReportOpenReason(path, error);
    return nullptr;
}

ReportFile::ReportFile(File file, const std::filesystem::path& path) : m_file(std::move(file))
{
    // A program that died while appending may have left its line unended.
    File existing = OpenFile(path, FileMode::Read);
    const int64_t length = existing.Length();
    char last = '\n';
    m_mayEndInsideALine = length > 0 && (!existing.SeekTo(length - 1) || !existing.ReadExactly(&last, 1) || last != '\n');
}

bool ReportFile::Append(const DeviceRecord& record)
{
    const std::string line = JsonLine(record);
    std::lock_guard guard(m_mutex);
    if (m_mayEndInsideALine) {
        if (!AppendText("\n")) return false;
        m_mayEndInsideALine = false;
    }
    return AppendText(line) && m_file.Sync();
}

// One piece at the file's end. What a short write left is cut off again
// when the file has not grown beyond it since, which is so unless another
// program appended at the same moment; otherwise the next line starts
// with a line end of its own.
bool ReportFile::AppendText(const std::string& text)
{
    const int64_t before = m_file.Length();
    const int64_t written = m_file.WriteOnce(text.data(), text.size());
    if (written == static_cast<int64_t>(text.size())) return true;
    if (written > 0) {
        const bool takenBack = before >= 0 && m_file.Length() == before + written && m_file.TruncateTo(before);
        m_mayEndInsideALine = !takenBack;
    }
    return false;
}
