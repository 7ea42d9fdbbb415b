#pragma once
// Frames of the device protocol: '#', every byte of the binary frame as two
// letters 'G'..'V', carriage return. The same codec builds and checks frames
// on the PC side (Sio) and in the simulated device.

#include <cstddef>
#include <cstdint>

enum FrameStatus : int {
    FRAME_OK = 1,
    FRAME_INCOMPLETE = 0,
    FRAME_NERR = -1,
    FRAME_ID_MISMATCH = -2,
    FRAME_BAD_CRC = -3,
    FRAME_BAD_SIZE = -4,
    FRAME_NO_BEGIN = -5,
    FRAME_BAD_CHAR = -6,
    FRAME_BAD_LENGTH = -7,
};

constexpr uint16_t kNerrHash = 0x0233;
constexpr uint32_t kMaxFrameData = 15;
constexpr uint32_t kMinFrameText = 14;
constexpr uint32_t kMaxFrameText = 44;

// Name hash: at most four significant characters, each optionally followed
// by a dot. NameToCodes fills four code bytes and tells whether the name is
// valid; NameHash gives 0 for an invalid name.
bool NameToCodes(const char* name, std::size_t length, uint8_t codes[4]);
uint16_t HashCodes(const uint8_t codes[4]);
uint16_t NameHash(const char* name, std::size_t length);

// CRC-16, polynomial 0x8F57, initial 0, no reflection, no final XOR.
// BuildCrcTable runs once before the first frame is built; calling it again
// is harmless.
void BuildCrcTable();
uint16_t Crc16(const uint8_t* bytes, std::size_t count);
uint16_t CrcTableEntry(uint8_t index);

// The frame buffers of one request and one answer. Fixed arrays: building,
// scanning and decoding never allocate.
class FrameCodec {
public:
    FrameCodec();
    FrameCodec(const FrameCodec&) = delete;
    FrameCodec& operator=(const FrameCodec&) = delete;

    void ResetFrame();
    bool AppendIndex(int index);
    void BuildFrameByName(const char* name, bool request, unsigned address, bool elevenBit);
    void BuildFrameByHash(uint16_t id, bool request, unsigned address, bool elevenBit);
    // count new characters have been stored in m_rxText from m_rxLength on.
    int ScanReceived(uint32_t count);
    int DecodeFrame();

    uint16_t m_sentHash = 0;
    uint16_t m_declaredCrc = 0;
    int32_t m_recvAddress = 0;
    uint16_t m_recvHash = 0;
    uint8_t m_recvRequest = 0;
    uint16_t m_computedCrc = 0;
    uint32_t m_frameLength = 0;
    uint8_t m_frame[24] = {};
    uint32_t m_dataLength = 0;
    uint8_t* const m_data;  // byte 4 of m_frame, the data part
    uint32_t m_txLength = 0;
    char m_txText[48] = {};
    uint32_t m_rxLength = 0;
    char m_rxText[48] = {};  // not cleared between exchanges

private:
    void BuildFrame(uint16_t id, bool request, unsigned address, bool elevenBit);
};
