#pragma once
// The record of every device a line write touched: one JSON object per
// device and line, appended to a report file as the device ends.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "device/FileIo.h"

enum class DeviceResult { Done, Failed, Refused, Cancelled };

struct DeviceRecord {
    std::string time;  // when the device was taken up, ISO 8601 with offset
    std::string port;
    std::optional<std::string> devicePath;
    std::optional<std::string> model;    // as the device gave them
    std::optional<std::string> version;
    std::string file;                    // the configuration file's path
    std::string sha256;
    uint32_t sizes[4] = {};              // areas 0, 16, 40, 64 of the file
    bool verify = false;
    uint32_t rewrites[4] = {};
    bool clockSet = false;
    DeviceResult result = DeviceResult::Failed;
    int exitCode = 1;                    // what this device alone would make the program return
    std::string message;                 // the last text the user was shown about it
    double seconds = 0;
};

// A JSON string: UTF-8 passes as it is, quotes, backslashes and control
// characters are escaped.
std::string JsonString(const std::string& text);

const char* ResultWord(DeviceResult result);  // "done", "failed", "refused", "cancelled"
// The record as one line of JSON, with its line end.
std::string JsonLine(const DeviceRecord& record);

// A report file open for appending. Each line goes to the file in one
// write at its end, so lines from several programs appending at once
// never mix, and is forced to the disk before the next device starts.
class ReportFile {
public:
    // nullptr, with the reason in *reason, when the file cannot be opened
    // for appending.
    static std::unique_ptr<ReportFile> Open(const std::filesystem::path& path, std::string* reason);
    explicit ReportFile(File file) : m_file(std::move(file)) {}

    // Safe from several threads; false when the line could not be written
    // whole or forced to the disk.
    bool Append(const DeviceRecord& record);

private:
    File m_file;
    std::mutex m_mutex;
};
