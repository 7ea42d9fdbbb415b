#include "platform/win32/Win32SerialLine.h"

#include <optional>

#include "platform/PortMap.h"
#include "platform/win32/PortDescriptions.h"
#include "platform/win32/WideText.h"

namespace {

std::string SystemErrorText(DWORD error)
{
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message(text != nullptr ? text : L"", length);
    ::LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' '))
        message.pop_back();
    if (message.empty())
        return "error " + std::to_string(error);
    return Utf8Of(message);
}

std::optional<BYTE> ParityCodeOf(LineParity parity)
{
    switch (parity) {
    case LineParity::None: return NOPARITY;
    case LineParity::Odd: return ODDPARITY;
    case LineParity::Even: return EVENPARITY;
    }
    return std::nullopt;
}

std::optional<BYTE> StopBitsCodeOf(LineStopBits stopBits)
{
    switch (stopBits) {
    case LineStopBits::One: return ONESTOPBIT;
    case LineStopBits::OneAndHalf: return ONE5STOPBITS;
    case LineStopBits::Two: return TWOSTOPBITS;
    }
    return std::nullopt;
}

UniqueHandle MakeManualResetEvent()
{
    return UniqueHandle(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
}

}  // namespace

LineOpenError OpenErrorOfWin32(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_UNIT:
    case ERROR_DEV_NOT_EXIST: return LineOpenError::NotFound;
    // A port held by another program answers "access denied", not a
    // sharing violation; serial ports carry no per-user permissions.
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY: return LineOpenError::Busy;
    default: return LineOpenError::Other;
    }
}

Win32SerialLine::Win32SerialLine(PortResolver resolver)
    : m_resolver(std::move(resolver)), m_writeEvent(MakeManualResetEvent()), m_readEvent(MakeManualResetEvent())
{
}

std::wstring Win32SerialLine::DeviceNameOf(const std::string& portName) const
{
    const auto number = PortMap::NumberOfName(portName);
    if (!number)
        return WideOf(portName);
    if (m_resolver) {
        if (auto name = m_resolver(*number))
            return WideOf(*name);
    }
    return L"\\\\.\\COM" + std::to_wstring(*number);
}

void Win32SerialLine::FailOpen(LineOpenError error, const std::string& detail)
{
    m_openError = error;
    m_openDetail = detail;
}

bool Win32SerialLine::Open(const std::string& portName)
{
    if (IsOpen()) {
        FailOpen(LineOpenError::Busy, portName);
        return false;
    }
    if (!m_writeEvent.Valid() || !m_readEvent.Valid()) {
        FailOpen(LineOpenError::Other, portName + ": " + SystemErrorText(ERROR_NOT_ENOUGH_MEMORY));
        return false;
    }
    UniqueHandle port(::CreateFileW(DeviceNameOf(portName).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
    if (!port.Valid()) {
        const DWORD error = ::GetLastError();
        const LineOpenError kind = OpenErrorOfWin32(error);
        FailOpen(kind, kind == LineOpenError::Other ? portName + ": " + SystemErrorText(error) : portName);
        return false;
    }
    m_port = std::move(port);
    m_haveState = false;
    m_latencyMs = PortLatencyTimerMs(portName);
    FailOpen(LineOpenError::None, {});
    return true;
}

void Win32SerialLine::Close()
{
    m_port.Reset();
    m_haveState = false;
}

bool Win32SerialLine::ReadState()
{
    m_state = DCB {};
    m_state.DCBlength = sizeof m_state;
    m_haveState = IsOpen() && ::GetCommState(m_port.Get(), &m_state);
    return m_haveState;
}

// Flow control and DTR off, RTS as a plain output line, parity checked;
// every field not named here keeps what the driver reported.
bool Win32SerialLine::ApplyFormat(const LineFormat& format)
{
    const auto parity = ParityCodeOf(format.parity);
    const auto stopBits = StopBitsCodeOf(format.stopBits);
    if (format.dataBits < 5 || format.dataBits > 8 || !parity || !stopBits)
        return false;
    if (!m_haveState && !ReadState())
        return false;
    DCB state = m_state;
    state.fBinary = TRUE;
    state.fDtrControl = DTR_CONTROL_DISABLE;
    state.fRtsControl = RTS_CONTROL_ENABLE;
    state.fOutxCtsFlow = FALSE;
    state.fOutxDsrFlow = FALSE;
    state.fOutX = FALSE;
    state.fInX = FALSE;
    state.fNull = FALSE;
    state.fDsrSensitivity = FALSE;
    state.fParity = TRUE;
    state.Parity = *parity;
    state.ByteSize = format.dataBits;
    state.BaudRate = format.baudRate;
    state.StopBits = *stopBits;
    if (!::SetCommState(m_port.Get(), &state))
        return false;
    m_state = state;
    return true;
}

bool Win32SerialLine::SetTimeouts(const LineTimeouts& timeouts)
{
    COMMTIMEOUTS settings {};
    if (!IsOpen() || !::GetCommTimeouts(m_port.Get(), &settings))
        return false;
    settings.ReadIntervalTimeout = timeouts.interCharMs;
    settings.ReadTotalTimeoutMultiplier = timeouts.perCharMs;
    settings.ReadTotalTimeoutConstant = timeouts.constantMs;
    settings.WriteTotalTimeoutMultiplier = timeouts.perCharMs;
    settings.WriteTotalTimeoutConstant = timeouts.constantMs;
    return ::SetCommTimeouts(m_port.Get(), &settings) != FALSE;
}

bool Win32SerialLine::SetRts(bool high)
{
    return IsOpen() && ::EscapeCommFunction(m_port.Get(), high ? SETRTS : CLRRTS);
}

bool Win32SerialLine::SetDtr(bool high)
{
    return IsOpen() && ::EscapeCommFunction(m_port.Get(), high ? SETDTR : CLRDTR);
}

void Win32SerialLine::Purge()
{
    if (IsOpen())
        ::PurgeComm(m_port.Get(), PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
}

// A write that completes at once is done; one that is pending is waited
// for (the write time-outs bound it). One that failed to start is not
// waited for: its event would never be signalled.
void Win32SerialLine::Write(const char* text, std::size_t length)
{
    if (!IsOpen() || length == 0)
        return;
    OVERLAPPED overlapped {};
    overlapped.hEvent = m_writeEvent.Get();
    DWORD written = 0;
    m_writeStuck = false;
    if (::WriteFile(m_port.Get(), text, static_cast<DWORD>(length), &written, &overlapped))
        return;
    if (::GetLastError() == ERROR_IO_PENDING)
        ::GetOverlappedResult(m_port.Get(), &overlapped, &written, TRUE);
    m_writeStuck = written < length;
}

void Win32SerialLine::WriteChar(char c)
{
    if (IsOpen())
        ::TransmitCommChar(m_port.Get(), c);
}

// Write already waits for its overlapped write to complete, and the comm
// API completes a write when the driver has sent it, or with less than all
// of it at the write time-out; the characters of the semi-automatic mode
// are spaced by the calibrated busy loops.
bool Win32SerialLine::Drain()
{
    return IsOpen() && !m_writeStuck;
}

// Direction switching stays with the program's own busy loops here: the
// comm API's RTS toggle mode is honoured by some drivers and silently
// ignored by others, with no way to tell which.
bool Win32SerialLine::SwitchRtsWhileSending(uint32_t, uint32_t)
{
    return false;
}

// A read that ends by the time-outs with nothing delivered reports failure
// with ERROR_SEMAPHORE_TIMEOUT on some drivers and success with 0 bytes on
// others; both are a read that ended empty.
ReadOutcome Win32SerialLine::Read(char* into, uint32_t count)
{
    if (!IsOpen() || count == 0)
        return {};
    OVERLAPPED overlapped {};
    overlapped.hEvent = m_readEvent.Get();
    DWORD got = 0;
    if (!::ReadFile(m_port.Get(), into, count, &got, &overlapped)) {
        if (::GetLastError() != ERROR_IO_PENDING)
            return {};
        if (!::GetOverlappedResult(m_port.Get(), &overlapped, &got, TRUE))
            return {0, true};
    }
    return {got, got == 0};
}

// A port whose device has gone (a USB adapter pulled out) fails every
// request on its handle, the error query included; a port that is there
// answers it, and the query also clears the errors that would otherwise
// hold up its reads.
bool Win32SerialLine::Lost()
{
    if (!IsOpen())
        return false;
    DWORD errors = 0;
    COMSTAT status {};
    return !::ClearCommError(m_port.Get(), &errors, &status);
}

std::unique_ptr<SerialLine> MakePlatformSerialLine()
{
    return std::make_unique<Win32SerialLine>();
}
