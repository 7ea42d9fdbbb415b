#include "DeviceReport.h"

#include <cstdio>

#include "SaveTarget.h"
#include "platform/Utf8Path.h"

std::string JsonString(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

namespace {

std::string Quoted(const std::string& text) { return JsonString(text); }

std::string QuotedOrNull(const std::optional<std::string>& text) { return text ? Quoted(*text) : "null"; }

std::string Numbers(const uint32_t (&values)[4])
{
    return "[" + std::to_string(values[0]) + "," + std::to_string(values[1]) + "," + std::to_string(values[2]) + ","
           + std::to_string(values[3]) + "]";
}

}  // namespace

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
    return "{\"time\":" + Quoted(record.time) + ",\"port\":" + Quoted(record.port) + ",\"device\":"
           + QuotedOrNull(record.devicePath) + ",\"model\":" + QuotedOrNull(record.model) + ",\"version\":"
           + QuotedOrNull(record.version) + ",\"file\":" + Quoted(record.file) + ",\"sha256\":"
           + Quoted(record.sha256) + ",\"sizes\":" + Numbers(record.sizes) + ",\"verify\":"
           + (record.verify ? "true" : "false") + ",\"rewrites\":" + (record.verify ? Numbers(record.rewrites) : "null")
           + ",\"clock\":" + (record.clockSet ? "true" : "false") + ",\"result\":" + Quoted(ResultWord(record.result))
           + ",\"message\":" + Quoted(record.message) + ",\"seconds\":" + seconds + "}\n";
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
