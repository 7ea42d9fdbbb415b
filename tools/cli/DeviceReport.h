#pragma once
// The record of every device a line write touched: one JSON object per
// device and line, appended to a report file as the device ends.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/FileIo.h"

// Interrupted: the program was told to end (its last Ctrl-C, SIGTERM,
// SIGHUP) before the device's write could end.
enum class DeviceResult { Done, Failed, Refused, Cancelled, Same, Different, Interrupted };

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
    uint32_t rewrites[4] = {};           // areas written again: their read-back differed
    uint32_t repeats[4] = {};            // areas transferred again: their transfer failed
    uint32_t writtenAreas = 0;           // areas 0, 16, 40, 64 the device holds from the file, from the first on
    bool clockSet = false;
    DeviceResult result = DeviceResult::Failed;
    int exitCode = 1;                    // what this device alone would make the program return
    std::string message;                 // the last text the user was shown about it
    double seconds = 0;
    // write: the file that keeps what the device held (null without
    // --backup, or when none could be saved).
    std::optional<std::string> backup;
    // compare: what differs between the device and the file (null when the
    // device could not be read).
    bool compared = false;
    struct Differences {
        bool model = false;
        bool version = false;
        std::vector<uint8_t> areas;  // the areas that differ
    };
    std::optional<Differences> differences;
    bool reportLost = false;             // its line could not be written to the report
};

// "done", "failed", "refused", "cancelled", "same", "different", "interrupted"
const char* ResultWord(DeviceResult result);
// "Из файла записаны области: 0, 16. ": what a device stopped part way
// holds from the file.
std::string WrittenAreasText(uint32_t writtenAreas);
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
    ReportFile(File file, const std::filesystem::path& path);

    // Safe from several threads; false when the line could not be written
    // whole or forced to the disk. A line written only in part (a full
    // disk) is taken back where nobody has appended after it, and the next
    // line starts on a line of its own in any case: two records never run
    // together.
    bool Append(const DeviceRecord& record);

private:
    bool AppendText(const std::string& text);

    File m_file;
    std::mutex m_mutex;
    // The file may not end with a line end: a partial line of ours that
    // could not be taken back, or of a program that died while writing.
    bool m_mayEndInsideALine = false;
};
