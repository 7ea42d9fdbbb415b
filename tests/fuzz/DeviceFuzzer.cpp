// libFuzzer target: a session of requests into a fresh device model per
// input. Most requests are well formed (commands the device knows, with any
// data, at its address or another), the rest raw characters, so that every
// state of the area transfers is reached, not only the frame checks.
//
// What it holds the model to: whatever it hears, every answer it gives is
// one well-formed frame (unless faults were asked for), its error replies
// carry a code of its table, and its memory stays bounded: the record of
// heard requests by its limit, the areas by their capacity.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "DeviceModel.h"

namespace {

void Require(bool condition)
{
    if (!condition) std::abort();
}

const char* const kNames[] = {"dev", "ver", "rtC", "P.C.L.R.", "P.A.R.E.", "P.I.N.F.", "P.R.D.D.", "P.W.R.T.", "P.R.S.T."};

std::string Request(FuzzedDataProvider& input, const DeviceModelConfig& config)
{
    FrameCodec pc;
    pc.ResetFrame();
    const bool area = input.ConsumeBool();
    if (area) {
        pc.m_data[0] = DeviceModel::kAreas[input.ConsumeIntegralInRange(0, 3)];
        pc.m_dataLength = 1;
    } else {
        pc.m_dataLength = input.ConsumeIntegralInRange<uint32_t>(0, kMaxFrameData);
        for (uint32_t i = 0; i < pc.m_dataLength; ++i) pc.m_data[i] = input.ConsumeIntegral<uint8_t>();
    }
    const unsigned address = input.ConsumeIntegralInRange(0, 15) != 0 ? config.address
                                                                       : input.ConsumeIntegralInRange(0, 2047);
    const bool elevenBit = input.ConsumeIntegralInRange(0, 15) != 0 ? config.elevenBit : input.ConsumeBool();
    const bool request = input.ConsumeBool();
    if (input.ConsumeIntegralInRange(0, 15) != 0) {
        pc.BuildFrameByName(kNames[input.ConsumeIntegralInRange<std::size_t>(0, std::size(kNames) - 1)], request,
                            address, elevenBit);
    } else {
        pc.BuildFrameByHash(input.ConsumeIntegral<uint16_t>(), request, address, elevenBit);
    }
    return std::string(pc.m_txText, pc.m_txLength);
}

bool IsDeviceError(uint8_t code)
{
    switch (code) {
    case DEVERR_UNKNOWN_PARAMETER:
    case DEVERR_READ_ONLY:
    case DEVERR_BAD_DATA:
    case DEVERR_NO_AREA:
    case DEVERR_AREA_FULL:
    case DEVERR_WRITE_NOT_OPEN:
    case DEVERR_BUSY: return true;
    default: return false;
    }
}

void RequireWellFormed(const AnswerPiece& piece)
{
    FrameCodec pc;
    pc.ResetFrame();
    const std::string& text = piece.text;
    Require(text.size() >= kMinFrameText && text.size() <= kMaxFrameText);
    std::memcpy(pc.m_rxText, text.data(), text.size());
    // The scanner checks the identifier against the request; any will do here.
    const int status = pc.ScanReceived(static_cast<uint32_t>(text.size()));
    Require(status == FRAME_OK || status == FRAME_ID_MISMATCH || status == FRAME_NERR);
    Require(pc.m_rxLength == text.size());
    if (status == FRAME_NERR) Require(pc.m_dataLength == 1 && IsDeviceError(pc.m_data[0]));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    DeviceModelConfig config;
    config.elevenBit = input.ConsumeBool();
    config.address = input.ConsumeIntegralInRange<uint16_t>(0, config.elevenBit ? 2047 : 255);
    config.areaCapacity = input.ConsumeIntegralInRange<uint32_t>(0, 4000);
    config.vanishAfter = input.ConsumeIntegralInRange<uint32_t>(0, 300);
    config.endlessReadData = input.ConsumeIntegralInRange(0, 7) == 0;
    for (uint32_t& areaSize : config.areaSizes) areaSize = input.ConsumeIntegralInRange<uint32_t>(0, 400);
    const bool faults = input.ConsumeIntegralInRange(0, 3) == 0;

    auto device = std::make_unique<DeviceModel>(config);
    if (faults) {
        device->SetRandomFaults(0.2, input.ConsumeIntegral<uint32_t>(),
                                {DeviceFault::Silence, DeviceFault::BadCrc, DeviceFault::Nerr, DeviceFault::WrongId,
                                 DeviceFault::Split, DeviceFault::Garble, DeviceFault::LostAfterAct});
    }
    uint64_t now = 0;
    while (input.remaining_bytes() > 0) {
        std::string text;
        switch (input.ConsumeIntegralInRange(0, 7)) {
        case 0: text = input.ConsumeRandomLengthString(64); break;
        case 1: now += input.ConsumeIntegralInRange<uint64_t>(0, 5000); break;  // past a restart's silence
        default: text = Request(input, config); break;
        }
        const Answer answer = device->Receive(text, now);
        if (!faults) {
            for (const AnswerPiece& piece : answer) RequireWellFormed(piece);
        }
        now += 1;
    }
    Require(device->Heard().size() <= 2 * DeviceModel::kHeardKept);
    for (uint8_t area : DeviceModel::kAreas) Require(device->Area(area).size() <= std::max<uint32_t>(config.areaCapacity, 400));
    return 0;
}
