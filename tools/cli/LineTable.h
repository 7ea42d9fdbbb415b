#pragma once
// The end of a line write: what became of every device, as a table with
// totals, and the exit code of the worst of them.

#include <string>
#include <vector>

#include "DeviceReport.h"

// "выполнено, 12.3 с": a port's line once its device has ended.
std::string ResultText(const DeviceRecord& record);
// Port, model, version, result, time and message of each device, and the
// totals.
std::string LineTable(const std::vector<DeviceRecord>& records);
// Worst first: an area that differs, a failure, a refusal, a device that
// differs from the file (compare), a cancel.
// No device at all is a cancel when Ctrl-C ended the loop, else done.
int WorstExitCode(const std::vector<DeviceRecord>& records, bool interrupted);
