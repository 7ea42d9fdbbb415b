#include "protocol/FrameCodec.h"

#include <array>
#include <cstring>

namespace {

constexpr uint16_t kCrcPolynomial = 0x8F57;
constexpr char kFrameBegin = '#';
constexpr char kFrameEnd = '\r';
constexpr char kFirstLetter = 'G';
constexpr char kLastLetter = 'V';
constexpr uint8_t kFillCode = 78;  // code value 39: the blank that pads a short name

using CrcTable = std::array<uint16_t, 256>;

// One step of the CRC register: shifts in one bit, most significant first.
constexpr uint16_t ShiftBit(uint16_t crc, unsigned bit)
{
    const unsigned feedback = bit ^ (crc >> 15u);
    crc = static_cast<uint16_t>(crc << 1u);
    return feedback ? static_cast<uint16_t>(crc ^ kCrcPolynomial) : crc;
}

CrcTable ComputeCrcTable()
{
    CrcTable table{};
    for (unsigned i = 0; i < table.size(); ++i) {
        uint16_t crc = 0;
        for (int bit = 7; bit >= 0; --bit)
            crc = ShiftBit(crc, (i >> bit) & 1u);
        table[i] = crc;
    }
    return table;
}

// The table is built on first use; C++ guarantees that happens exactly once,
// even when several threads get here together.
const CrcTable& Table()
{
    static const CrcTable table = ComputeCrcTable();
    return table;
}

int CodeValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    if (c == '-') return 36;
    if (c == '_') return 37;
    if (c == '/') return 38;
    return -1;
}

bool IsFrameLetter(char c) { return c >= kFirstLetter && c <= kLastLetter; }

uint8_t LetterValue(char c) { return static_cast<uint8_t>(static_cast<uint8_t>(c) - kFirstLetter) & 0x0Fu; }

char NibbleLetter(unsigned nibble) { return static_cast<char>(kFirstLetter + (nibble & 0x0Fu)); }

}  // namespace

bool NameToCodes(const char* name, std::size_t length, uint8_t codes[4])
{
    if (name == nullptr || length == 0) return false;
    std::size_t i = 0;
    int written = 0;
    bool lastWasDot = false;
    for (; i < length; ++i) {
        const char c = name[i];
        if (c == ' ') break;
        if (c == '.') {
            if (written == 0 || lastWasDot) return false;
            ++codes[written - 1];
            lastWasDot = true;
            continue;
        }
        const int value = CodeValue(c);
        if (value < 0 || written == 4) return false;
        codes[written++] = static_cast<uint8_t>(value * 2);
        lastWasDot = false;
    }
    if (written == 4) return true;
    // Only blanks may follow a short name; each stands for one fill code.
    for (; i < length; ++i) {
        if (name[i] != ' ' || written == 4) return false;
        codes[written++] = kFillCode;
    }
    while (written < 4) codes[written++] = kFillCode;
    return true;
}

uint16_t HashCodes(const uint8_t codes[4])
{
    uint16_t hash = 0;
    for (int k = 0; k < 4; ++k)
        for (int bit = 6; bit >= 0; --bit)
            hash = ShiftBit(hash, (codes[k] >> bit) & 1u);
    return hash;
}

uint16_t NameHash(const char* name, std::size_t length)
{
    uint8_t codes[4] = {};
    return NameToCodes(name, length, codes) ? HashCodes(codes) : 0;
}

void BuildCrcTable() { (void)Table(); }

uint16_t CrcTableEntry(uint8_t index) { return Table()[index]; }

uint16_t Crc16(const uint8_t* bytes, std::size_t count)
{
    const CrcTable& table = Table();
    uint16_t crc = 0;
    for (std::size_t i = 0; i < count; ++i)
        crc = static_cast<uint16_t>((crc << 8u) ^ table[((crc >> 8u) ^ bytes[i]) & 0xFFu]);
    return crc;
}

FrameCodec::FrameCodec() : m_data(m_frame + 4) { BuildCrcTable(); }

void FrameCodec::ResetFrame()
{
    m_dataLength = 0;
    m_txLength = 0;
    m_sentHash = 0;
    m_computedCrc = 0;
    m_rxLength = 0;
    m_declaredCrc = 0;
    m_recvHash = 0;
    m_recvAddress = 0;
    m_recvRequest = 0;
    m_frameLength = 0;
}

bool FrameCodec::AppendIndex(int index)
{
    if (index == -1) return true;
    if (m_dataLength + 2 > kMaxFrameData) return false;
    m_data[m_dataLength] = static_cast<uint8_t>((index >> 8) & 0xFF);
    m_data[m_dataLength + 1] = static_cast<uint8_t>(index & 0xFF);
    m_dataLength += 2;
    return true;
}

void FrameCodec::BuildFrameByName(const char* name, bool request, unsigned address, bool elevenBit)
{
    const uint16_t id = name != nullptr ? NameHash(name, std::strlen(name)) : 0;
    BuildFrame(id, request, address, elevenBit);
}

void FrameCodec::BuildFrameByHash(uint16_t id, bool request, unsigned address, bool elevenBit)
{
    BuildFrame(id, request, address, elevenBit);
}

void FrameCodec::BuildFrame(uint16_t id, bool request, unsigned address, bool elevenBit)
{
    // Data is placed by the caller; a length beyond one frame would run past it.
    if (m_dataLength > kMaxFrameData) m_dataLength = kMaxFrameData;
    const uint32_t n = m_dataLength;
    if (elevenBit) {
        m_frame[0] = static_cast<uint8_t>((address >> 3) & 0xFFu);
        m_frame[1] = static_cast<uint8_t>((address & 0x07u) << 5);
    } else {
        m_frame[0] = static_cast<uint8_t>(address & 0xFFu);
        m_frame[1] = 0;
    }
    if (request) m_frame[1] |= 0x10u;
    m_frame[1] |= static_cast<uint8_t>(n & 0x0Fu);
    m_sentHash = id;
    m_frame[2] = static_cast<uint8_t>(id >> 8);
    m_frame[3] = static_cast<uint8_t>(id & 0xFFu);
    m_computedCrc = Crc16(m_frame, n + 4);
    m_frame[n + 4] = static_cast<uint8_t>(m_computedCrc >> 8);
    m_frame[n + 5] = static_cast<uint8_t>(m_computedCrc & 0xFFu);
    m_frameLength = n + 6;

    uint32_t pos = 0;
    m_txText[pos++] = kFrameBegin;
    for (uint32_t i = 0; i < m_frameLength; ++i) {
        m_txText[pos++] = NibbleLetter(m_frame[i] >> 4);
        m_txText[pos++] = NibbleLetter(m_frame[i]);
    }
    m_txText[pos++] = kFrameEnd;
    m_txLength = pos;
}

int FrameCodec::ScanReceived(uint32_t count)
{
    const uint32_t room = m_rxLength < kMaxFrameText ? kMaxFrameText - m_rxLength : 0;
    const uint32_t limit = m_rxLength + (count < room ? count : room);
    while (m_rxLength < limit) {
        const char c = m_rxText[m_rxLength];
        if (m_rxLength == 0) {
            if (c != kFrameBegin) return FRAME_NO_BEGIN;
        } else if (c == kFrameEnd) {
            ++m_rxLength;
            return DecodeFrame();
        } else if (!IsFrameLetter(c)) {
            return FRAME_BAD_CHAR;
        }
        ++m_rxLength;
    }
    return m_rxLength >= kMaxFrameText ? FRAME_BAD_SIZE : FRAME_INCOMPLETE;
}

int FrameCodec::DecodeFrame()
{
    const uint32_t textLength = m_rxLength;
    if (textLength % 2 != 0 || textLength < kMinFrameText || textLength > kMaxFrameText)
        return FRAME_BAD_SIZE;
    m_frameLength = (textLength - 2) / 2;
    for (uint32_t i = 0; i < m_frameLength; ++i)
        m_frame[i] = static_cast<uint8_t>((LetterValue(m_rxText[2 * i + 1]) << 4) |
                                          LetterValue(m_rxText[2 * i + 2]));
    const uint32_t n = m_frame[1] & 0x0Fu;
    m_dataLength = n;
    m_declaredCrc = static_cast<uint16_t>((m_frame[n + 4] << 8) | m_frame[n + 5]);
    m_recvHash = static_cast<uint16_t>((m_frame[2] << 8) | m_frame[3]);
    m_recvRequest = (m_frame[1] >> 4) & 1u;
    const uint8_t highAddressBits = m_frame[1] & 0xE0u;
    m_recvAddress = highAddressBits != 0 ? (m_frame[0] << 3) | (highAddressBits >> 5) : m_frame[0];
    m_computedCrc = Crc16(m_frame, n + 4);

    if (n != m_frameLength - 6) return FRAME_BAD_LENGTH;
    if (m_declaredCrc != m_computedCrc) return FRAME_BAD_CRC;
    if (m_recvHash == kNerrHash) return FRAME_NERR;
    if (m_recvHash != m_sentHash) return FRAME_ID_MISMATCH;
    return FRAME_OK;
}
