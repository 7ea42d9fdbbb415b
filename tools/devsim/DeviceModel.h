#pragma once
// A device as the protocol sees it: it hears request characters, decodes them
// with the same frame codec as the PC side, carries out the request and says
// what to send back and when. Time is given by the caller, so the same model
// runs in virtual time inside tests and in real time behind a pty.

#include <array>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/FrameCodec.h"

// One stretch of answer characters and the silence before it: before the
// first piece the silence is counted from the end of the request, before
// every other piece from the end of the previous one.
struct AnswerPiece {
    uint32_t delayMs = 0;
    std::string text;
};
using Answer = std::vector<AnswerPiece>;

enum class DeviceFault : uint8_t {
    None,          // answer normally
    Silence,       // the request never reached the device: no answer, nothing done
    BadCrc,        // answer with a wrong CRC, nothing done
    Nerr,          // answer with the error reply, nothing done
    WrongId,       // answer with another identifier, nothing done
    Split,         // the device acts; its answer comes in two pieces with a gap
    Garble,        // answer with one character spoilt, nothing done
    LostAfterAct,  // the device acts, but its answer is lost
};

struct FaultSpec {
    DeviceFault kind = DeviceFault::None;
    uint32_t splitAt = 0;   // Split: characters in the first piece; 0 = half the answer
    uint32_t gapMs = 40;    // Split: silence between the pieces
};

// Applies fault to requests with this identifier (0 = any request): lets
// `skip` of them pass first, then spoils `times` of them.
struct FaultRule {
    uint16_t id = 0;
    uint32_t skip = 0;
    uint32_t times = 1;
    FaultSpec fault;
};

// What the device was asked, in the order it heard it (own address only).
struct HeardRequest {
    uint16_t id = 0;
    bool request = false;
    std::vector<uint8_t> data;
};

// The error codes the device puts into its nErr reply.
enum DeviceError : uint8_t {
    DEVERR_UNKNOWN_PARAMETER = 1,
    DEVERR_READ_ONLY = 2,
    DEVERR_BAD_DATA = 3,
    DEVERR_NO_AREA = 4,
    DEVERR_AREA_FULL = 5,
    DEVERR_WRITE_NOT_OPEN = 6,
    DEVERR_BUSY = 9,  // the injected nErr fault
};

struct DeviceModelConfig {
    std::string model = "KLX41";  // UTF-8; sent in the single-byte Cyrillic code page
    std::string version = "1.0";
    uint16_t address = 16;
    bool elevenBit = false;
    uint32_t turnaroundMs = 2;          // silence between request and answer
    uint32_t restartSilenceMs = 3000;   // deaf after "P.R.S.T."
    uint32_t areaCapacity = 1u << 20;   // largest area a write may fill
    uint32_t vanishAfter = 0;           // stop answering after this many requests; 0 = never
    bool endlessReadData = false;       // "P.R.D.D." never reaches the end of an area
    // "P.I.N.F." and the read heading announce the size plus this (never
    // below 0): a device that announces its capacity or a rounded size.
    int32_t announceOffset = 0;
    // Every read that reaches an area's end finds one byte of it changed
    // next time, as a running program changes its values.
    bool changesWhenRead = false;
    std::array<uint8_t, 7> clock = {26, 0, 0, 12, 0, 0, 0x61};
    // Sizes of the areas 0, 16, 40, 64 filled with a recognisable pattern at start.
    std::array<uint32_t, 4> areaSizes = {1500, 200, 90, 40};
};

// The pattern of a generated area: every byte differs from its neighbours
// and from the same place in the other areas.
std::vector<uint8_t> GeneratedArea(uint8_t area, uint32_t size);

class DeviceModel {
public:
    static constexpr uint8_t kAreas[4] = {0, 16, 40, 64};
    using AreaWritten = std::function<void(uint8_t area, const std::vector<uint8_t>& bytes)>;
    using RequestHeard = std::function<void(const HeardRequest& request)>;

    explicit DeviceModel(DeviceModelConfig config = {});

    // Characters arriving from the line at nowMs (the end of the last one).
    // Returns the answers of the requests they complete, in order.
    Answer Receive(std::string_view characters, uint64_t nowMs);

    void SetArea(uint8_t area, std::vector<uint8_t> bytes);
    const std::vector<uint8_t>& Area(uint8_t area) const;
    void OnAreaWritten(AreaWritten callback) { m_areaWritten = std::move(callback); }
    // Told of every request the device hears, before it acts on it.
    void OnRequestHeard(RequestHeard callback) { m_requestHeard = std::move(callback); }

    void AddFault(const FaultRule& rule) { m_rules.push_back(rule); }
    // Spoils each request with this probability, with a fault drawn from kinds.
    void SetRandomFaults(double rate, uint32_t seed, std::vector<DeviceFault> kinds);

    // The requests heard last, oldest first: at least the last kHeardKept
    // (fewer only when fewer were heard), never more than twice that, so a
    // device left running for days keeps its memory.
    static constexpr std::size_t kHeardKept = 4096;
    const std::vector<HeardRequest>& Heard() const { return m_heard; }
    // Every request heard since the start.
    uint64_t HeardCount() const { return m_heardCount; }
    const std::array<uint8_t, 7>& Clock() const { return m_clock; }
    const DeviceModelConfig& Config() const { return m_config; }
    uint32_t Restarts() const { return m_restarts; }

private:
    struct Reply {
        uint16_t id = 0;
        std::vector<uint8_t> data;
    };

    bool HearCharacter(char c);
    bool DecodeRequest();
    bool IsOwnAddress() const;
    Answer HandleRequest(uint64_t nowMs);
    Reply Execute(uint16_t id, bool request, const uint8_t* data, uint32_t length, uint64_t nowMs);
    Reply TextParameter(uint16_t id, bool request, const std::string& text) const;
    Reply Clock(uint16_t id, bool request, const uint8_t* data, uint32_t length);
    Reply SelectArea(uint16_t id, const uint8_t* data, uint32_t length);
    Reply AreaInfo(uint16_t id) const;
    Reply ReadData(uint16_t id);
    Reply WriteData(uint16_t id, const uint8_t* data, uint32_t length);
    void Restart(uint64_t nowMs);
    void FinishTransfer();
    uint32_t AnnouncedSize() const;
    FaultSpec NextFault(uint16_t id);
    std::string FrameText(const Reply& reply);
    Answer Deliver(const Reply& reply, const FaultSpec& fault);

    DeviceModelConfig m_config;
    std::string m_model1251;
    std::string m_version1251;
    std::array<uint8_t, 7> m_clock;
    std::array<std::vector<uint8_t>, 4> m_areas;
    AreaWritten m_areaWritten;
    RequestHeard m_requestHeard;

    // Transfer state.
    int m_selected = -1;              // index into kAreas, -1 before "P.A.R.E."
    bool m_readStarted = false;       // the first "P.R.D.D." answer has gone out
    uint32_t m_readPosition = 0;
    bool m_writeOpen = false;
    std::vector<uint8_t> m_pending;   // blocks of the write in progress

    // Request framing.
    std::string m_incoming;
    bool m_inFrame = false;
    FrameCodec m_codec;

    std::vector<FaultRule> m_rules;
    std::vector<DeviceFault> m_randomKinds;
    double m_randomRate = 0.0;
    std::mt19937 m_random;

    std::vector<HeardRequest> m_heard;
    uint64_t m_heardCount = 0;
    uint64_t m_deafUntilMs = 0;
    uint32_t m_restarts = 0;
    uint32_t m_endlessCounter = 0;
    uint32_t m_readsCompleted = 0;
    bool m_readEnded = false;         // this read has reached the area's end
};
