#pragma once
// A serial line that passes everything to the real one and counts the
// requests written, so a test can tell how many attempts an exchange took.

#include <atomic>
#include <memory>

#include "platform/SerialLine.h"

class CountingLine final : public SerialLine {
public:
    CountingLine(std::unique_ptr<SerialLine> line, std::shared_ptr<std::atomic<int>> writes)
        : m_line(std::move(line)), m_writes(std::move(writes))
    {
    }

    bool Open(const std::string& portName) override { return m_line->Open(portName); }
    LineOpenError LastOpenError() const override { return m_line->LastOpenError(); }
    std::string LastOpenDetail() const override { return m_line->LastOpenDetail(); }
    bool IsOpen() const override { return m_line->IsOpen(); }
    void Close() override { m_line->Close(); }
    bool ReadState() override { return m_line->ReadState(); }
    bool ApplyFormat(const LineFormat& format) override { return m_line->ApplyFormat(format); }
    bool SetTimeouts(const LineTimeouts& timeouts) override { return m_line->SetTimeouts(timeouts); }
    bool SetRts(bool high) override { return m_line->SetRts(high); }
    bool SetDtr(bool high) override { return m_line->SetDtr(high); }
    void Purge() override { m_line->Purge(); }
    void Write(const char* text, std::size_t length) override
    {
        ++*m_writes;
        m_line->Write(text, length);
    }
    void WriteChar(char c) override { m_line->WriteChar(c); }
    bool Drain() override { return m_line->Drain(); }
    bool SwitchRtsWhileSending(uint32_t leadMs, uint32_t tailMs) override
    {
        return m_line->SwitchRtsWhileSending(leadMs, tailMs);
    }
    ReadOutcome Read(char* into, uint32_t count) override { return m_line->Read(into, count); }

private:
    std::unique_ptr<SerialLine> m_line;
    std::shared_ptr<std::atomic<int>> m_writes;
};
