#pragma once
// Why a port cannot be opened, for the message after a failed open: the
// port object reports every failure with one code and is gone afterwards,
// but the user deserves to know whether the device is missing, in use, or
// there and only the permission is lacking (and which device it is).

#include <string>

#include "platform/SerialLine.h"

struct PortOpenProblem {
    LineOpenError error = LineOpenError::None;
    std::string detail;  // device path and reason; empty when it opens
};

// Tries the same open the port object makes ("\\.\COMn" or a device path)
// and closes the port again at once.
PortOpenProblem DiagnosePortOpen(const std::string& portName);
