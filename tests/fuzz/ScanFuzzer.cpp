// libFuzzer target: answer texts of any length and content through the
// scanner and decoder, fed in portions the way reads deliver them. Half the
// inputs are raw characters, half a well-formed answer that the input then
// spoils, so that the checks past the CRC are reached as well.
//
// What it holds the codec to: every input ends in one of the scanner's
// statuses; no count or length ever points beyond its buffer; scanning never
// changes the request, so the same request can be sent again; an accepted
// answer is exactly what its CRC covers.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "protocol/FrameCodec.h"

namespace {

void Require(bool condition)
{
    if (!condition) std::abort();
}

std::string WellFormedAnswer(FuzzedDataProvider& input, uint16_t sentId)
{
    FrameCodec device;
    device.ResetFrame();
    const uint32_t length = input.ConsumeIntegralInRange<uint32_t>(0, kMaxFrameData);
    for (uint32_t i = 0; i < length; ++i) device.m_data[i] = input.ConsumeIntegral<uint8_t>();
    device.m_dataLength = length;
    const uint16_t id = input.ConsumeBool() ? sentId : input.ConsumeBool() ? kNerrHash : input.ConsumeIntegral<uint16_t>();
    device.BuildFrameByHash(id, input.ConsumeBool(), input.ConsumeIntegralInRange<unsigned>(0, 2047),
                            input.ConsumeBool());
    std::string text(device.m_txText, device.m_txLength);
    // Spoil a few characters: replaced, dropped or doubled.
    for (int spoils = input.ConsumeIntegralInRange(0, 3); spoils > 0 && !text.empty(); --spoils) {
        const std::size_t at = input.ConsumeIntegralInRange<std::size_t>(0, text.size() - 1);
        switch (input.ConsumeIntegralInRange(0, 2)) {
        case 0: text[at] = input.ConsumeIntegral<char>(); break;
        case 1: text.erase(at, 1); break;
        default: text.insert(at, 1, text[at]); break;
        }
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    // On the heap, so that any access past the codec's last buffer is caught.
    auto codec = std::make_unique<FrameCodec>();

    // The request the answer is checked against.
    codec->ResetFrame();
    codec->m_dataLength = input.ConsumeIntegralInRange<uint32_t>(0, kMaxFrameData);
    const uint16_t sentId = input.ConsumeIntegral<uint16_t>();
    codec->BuildFrameByHash(sentId, input.ConsumeBool(), input.ConsumeIntegralInRange<unsigned>(0, 2047),
                            input.ConsumeBool());
    const std::string request(codec->m_txText, codec->m_txLength);
    Require(request.size() >= kMinFrameText && request.size() <= kMaxFrameText);

    const uint32_t portion = input.ConsumeIntegralInRange<uint32_t>(1, kMaxFrameText);
    const std::string answer = input.ConsumeBool() ? WellFormedAnswer(input, sentId) : input.ConsumeRemainingBytesAsString();

    const std::size_t stored = std::min(answer.size(), sizeof codec->m_rxText);
    std::memcpy(codec->m_rxText, answer.data(), stored);
    int status = FRAME_INCOMPLETE;
    while (status == FRAME_INCOMPLETE && codec->m_rxLength < stored) {
        const uint32_t count = std::min<uint32_t>(portion, static_cast<uint32_t>(stored) - codec->m_rxLength);
        status = codec->ScanReceived(count);
        Require(codec->m_rxLength <= kMaxFrameText);
    }
    Require(status >= FRAME_BAD_LENGTH && status <= FRAME_OK);
    Require(codec->m_frameLength <= sizeof codec->m_frame && codec->m_dataLength <= kMaxFrameData);
    Require(codec->m_data == codec->m_frame + 4);
    Require(std::string(codec->m_txText, codec->m_txLength) == request);
    if (status == FRAME_OK || status == FRAME_NERR || status == FRAME_ID_MISMATCH) {
        Require(codec->m_frameLength == codec->m_dataLength + 6);
        Require(codec->m_declaredCrc == Crc16(codec->m_frame, codec->m_dataLength + 4));
        Require((status == FRAME_NERR) == (codec->m_recvHash == kNerrHash));
        Require((status == FRAME_OK) == (codec->m_recvHash == sentId && status != FRAME_NERR));
    }

    // Decoding whatever is there, whether or not it ends in a carriage return.
    codec->m_rxLength = static_cast<uint32_t>(stored);
    status = codec->DecodeFrame();
    Require(status >= FRAME_BAD_LENGTH && status <= FRAME_OK && status != FRAME_INCOMPLETE);
    Require(codec->m_frameLength <= sizeof codec->m_frame && codec->m_dataLength <= kMaxFrameData);
    return 0;
}
