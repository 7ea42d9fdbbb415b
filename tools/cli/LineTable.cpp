#include "LineTable.h"

#include <cstdio>

#include "Commands.h"
#include "TerminalDialogs.h"
#include "resources/BackupTexts.h"
#include "resources/CliTexts.h"

namespace {

// A write done without its read-back says so: "done" alone would claim
// the check.
const char* ResultName(const DeviceRecord& record)
{
    switch (record.result) {
    case DeviceResult::Done: return record.verify ? texts::kCliResultDone : texts::kCliResultUnverified;
    case DeviceResult::Failed: return texts::kCliResultFailed;
    case DeviceResult::Refused: return texts::kCliResultRefused;
    case DeviceResult::Cancelled: return texts::kCliResultCancelled;
    case DeviceResult::Same: return texts::kCompareResultWordSame;
    case DeviceResult::Different: return texts::kCompareResultWordDiffers;
    case DeviceResult::Interrupted: return texts::kCliResultInterrupted;
    }
    return texts::kCliResultFailed;
}

std::string SecondsText(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", seconds);
    return text;
}

// A message on one line of the table.
std::string OneLine(std::string text)
{
    for (char& c : text) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

int Severity(int exitCode)
{
    switch (exitCode) {
    case EXIT_MISMATCH: return 5;
    case EXIT_FAILED: return 4;
    case EXIT_REFUSED: return 3;
    case EXIT_DIFFERENT: return 2;
    case EXIT_CANCELLED: return 1;
    default: return 0;
    }
}

constexpr int kResultKinds = static_cast<int>(DeviceResult::Interrupted) + 1;

// A device left alone because it matched, the results of a compare and the
// devices an ending program cut short are counted only where there are such.
std::string ExtraTotals(const uint32_t (&counts)[kResultKinds])
{
    std::string totals;
    if (const uint32_t same = counts[static_cast<int>(DeviceResult::Same)]) {
        totals += texts::kCliTotalsSame + std::to_string(same);
    }
    if (const uint32_t different = counts[static_cast<int>(DeviceResult::Different)]) {
        totals += texts::kCliTotalsDifferent + std::to_string(different);
    }
    if (const uint32_t interrupted = counts[static_cast<int>(DeviceResult::Interrupted)]) {
        totals += texts::kCliTotalsInterrupted + std::to_string(interrupted);
    }
    return totals;
}

}  // namespace

std::string ResultText(const DeviceRecord& record)
{
    return std::string(ResultName(record)) + ", " + SecondsText(record.seconds) + texts::kCliSeconds;
}

std::string LineTable(const std::vector<DeviceRecord>& records)
{
    std::vector<std::vector<std::string>> rows{{texts::kCliTablePort, texts::kCliTableModel, texts::kCliTableVersion,
                                                texts::kCliTableResult, texts::kCliTableTime,
                                                texts::kCliTableMessage}};
    uint32_t counts[kResultKinds] = {};
    for (const DeviceRecord& record : records) {
        rows.push_back({record.port, record.model.value_or("-"), record.version.value_or("-"),
                        ResultName(record), SecondsText(record.seconds),
                        OneLine(record.message) + (record.reportLost ? std::string(" [") + texts::kCliReportLineLost + "]" : "")});
        ++counts[static_cast<int>(record.result)];
    }
    std::vector<std::size_t> widths(rows[0].size(), 0);
    for (const auto& row : rows) {
        for (std::size_t column = 0; column < row.size(); ++column) {
            widths[column] = std::max(widths[column], CharacterCount(row[column]));
        }
    }
    std::string table;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t column = 0; column < row.size(); ++column) {
            line += row[column];
            if (column + 1 < row.size()) line += std::string(widths[column] - CharacterCount(row[column]) + 2, ' ');
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        table += line + "\n";
    }
    return table + texts::kCliTotals + std::to_string(records.size()) + texts::kCliTotalsDone
           + std::to_string(counts[static_cast<int>(DeviceResult::Done)]) + texts::kCliTotalsFailed
           + std::to_string(counts[static_cast<int>(DeviceResult::Failed)]) + texts::kCliTotalsRefused
           + std::to_string(counts[static_cast<int>(DeviceResult::Refused)]) + texts::kCliTotalsCancelled
           + std::to_string(counts[static_cast<int>(DeviceResult::Cancelled)]) + ExtraTotals(counts) + "\n";
}

int WorstExitCode(const std::vector<DeviceRecord>& records, bool interrupted)
{
    if (records.empty()) return interrupted ? EXIT_CANCELLED : EXIT_DONE;
    int worst = EXIT_DONE;
    for (const DeviceRecord& record : records) {
        if (Severity(record.exitCode) > Severity(worst)) worst = record.exitCode;
    }
    return worst;
}
