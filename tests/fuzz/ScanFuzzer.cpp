// libFuzzer target: answer texts of any length and content through the
// scanner and decoder, fed in portions the way reads deliver them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "protocol/FrameCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static FrameCodec codec;
    if (size < 3) return 0;
    codec.ResetFrame();
    codec.m_sentHash = static_cast<uint16_t>(data[0] << 8 | data[1]);
    const uint32_t portion = 1 + data[2] % 44;
    data += 3;
    size -= 3;

    const size_t stored = size < sizeof codec.m_rxText ? size : sizeof codec.m_rxText;
    std::memcpy(codec.m_rxText, data, stored);
    int status = FRAME_INCOMPLETE;
    while (status == FRAME_INCOMPLETE && codec.m_rxLength < stored)
        status = codec.ScanReceived(portion);
    if (status < FRAME_BAD_LENGTH || status > FRAME_OK) std::abort();
    if (codec.m_rxLength > kMaxFrameText || codec.m_dataLength > kMaxFrameData) std::abort();

    // Decoding whatever is there, whether or not it ends in a carriage return.
    codec.m_rxLength = static_cast<uint32_t>(stored);
    (void)codec.DecodeFrame();
    return 0;
}
