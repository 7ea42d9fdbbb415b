#pragma once
// The serial line on the Windows comm API: an overlapped handle, so that
// reads end by the port's own time-outs and a write can be waited for.

#include <windows.h>

#include <functional>
#include <optional>

#include "platform/SerialLine.h"
#include "platform/win32/UniqueHandle.h"

class Win32SerialLine final : public SerialLine {
public:
    // Turns a COM number into the name to open; without one, port n is
    // opened as "\\.\COMn".
    using PortResolver = std::function<std::optional<std::string>(uint32_t number)>;

    explicit Win32SerialLine(PortResolver resolver = {});

    bool Open(const std::string& portName) override;
    LineOpenError LastOpenError() const override { return m_openError; }
    std::string LastOpenDetail() const override { return m_openDetail; }
    bool IsOpen() const override { return m_port.Valid(); }
    void Close() override;

    bool ReadState() override;
    bool ApplyFormat(const LineFormat& format) override;
    bool SetTimeouts(const LineTimeouts& timeouts) override;
    bool SetRts(bool high) override;
    bool SetDtr(bool high) override;
    void Purge() override;
    void Write(const char* text, std::size_t length) override;
    void WriteChar(char c) override;
    bool Drain() override;
    bool SwitchRtsWhileSending(uint32_t leadMs, uint32_t tailMs) override;
    ReadOutcome Read(char* into, uint32_t count) override;
    bool Lost() override;
    // The USB adapter's latency timer, as its driver keeps it for the port.
    std::optional<uint32_t> LatencyMs() const override { return m_latencyMs; }

    // The name CreateFileW is given: "\\.\COMn" (or the resolver's name)
    // for a port name in any spelling, anything else as it stands.
    std::wstring DeviceNameOf(const std::string& portName) const;

private:
    PortResolver m_resolver;
    void FailOpen(LineOpenError error, const std::string& detail);

    UniqueHandle m_port;
    // Manual-reset events of the overlapped write and read; a write is
    // always finished before the next read starts, so they are never shared.
    UniqueHandle m_writeEvent;
    // The last write ended by the write time-out before all of it was sent.
    bool m_writeStuck = false;
    UniqueHandle m_readEvent;
    DCB m_state {};
    bool m_haveState = false;
    LineOpenError m_openError = LineOpenError::None;
    std::string m_openDetail;
    std::optional<uint32_t> m_latencyMs;
};

// Maps a GetLastError() code of CreateFileW to the reason shown to the user.
LineOpenError OpenErrorOfWin32(DWORD error);
