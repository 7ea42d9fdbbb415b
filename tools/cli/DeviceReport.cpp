#include "DeviceReport.h"

#include <cstdio>

#include "JsonText.h"
#include "SaveTarget.h"
#include "platform/Utf8Path.h"

const char* ResultWord(DeviceResult result)
{
    switch (result) {
    case DeviceResult::Done: return "done";
    case DeviceResult::Failed: return "failed";
    case DeviceResult::Refused: return "refused";
    case DeviceResult::Cancelled: return "cancelled";
    }
    return "failed";
}

std::string JsonLine(const DeviceRecord& record)
{
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", record.seconds);
    return "{\"time\":" + JsonQuoted(record.time) + ",\"port\":" + JsonQuoted(record.port) + ",\"device\":"
           + JsonQuotedOrNull(record.devicePath) + ",\"model\":" + JsonQuotedOrNull(record.model) + ",\"version\":"
           + JsonQuotedOrNull(record.version) + ",\"file\":" + JsonQuoted(record.file) + ",\"sha256\":"
           + JsonQuoted(record.sha256) + ",\"sizes\":" + JsonNumbers(record.sizes) + ",\"verify\":"
           + (record.verify ? "true" : "false") + ",\"rewrites\":" + (record.verify ? JsonNumbers(record.rewrites) : "null")
           + ",\"clock\":" + (record.clockSet ? "true" : "false") + ",\"result\":" + JsonQuoted(ResultWord(record.result))
           + ",\"message\":" + JsonQuoted(record.message) + ",\"seconds\":" + seconds + "}\n";
}

std::unique_ptr<ReportFile> ReportFile::Open(const std::filesystem::path& path, std::string* reason)
{
    FileError error;
    File file = OpenFile(path, FileMode::Append, &error);
    if (file) return std::make_unique<ReportFile>(std::move(file));
    if (reason != nullptr) *reason = Utf8FromPath(path) + ": " + FileErrorReason(error);
    return nullptr;
}

bool ReportFile::Append(const DeviceRecord& record)
{
    const std::string line = JsonLine(record);
    std::lock_guard guard(m_mutex);
    return m_file.WriteInOnePiece(line.data(), line.size()) && m_file.Sync();
}
