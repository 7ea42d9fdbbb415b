#include "platform/PortDiagnosis.h"

PortOpenProblem DiagnosePortOpen(const std::string& portName)
{
    const auto line = MakePlatformSerialLine();
    if (line->Open(portName)) {
        line->Close();
        return {};
    }
    return {line->LastOpenError(), line->LastOpenDetail()};
}
