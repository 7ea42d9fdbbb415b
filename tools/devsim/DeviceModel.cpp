#include "DeviceModel.h"

#include <algorithm>
#include <cstring>

#include "platform/CodePage1251.h"

namespace {

const uint16_t kDev = NameHash("dev", 3);
const uint16_t kVer = NameHash("ver", 3);
const uint16_t kClock = NameHash("rtC", 3);
const uint16_t kClear = NameHash("P.C.L.R.", 8);
const uint16_t kSelectArea = NameHash("P.A.R.E.", 8);
const uint16_t kAreaInfo = NameHash("P.I.N.F.", 8);
const uint16_t kReadData = NameHash("P.R.D.D.", 8);
const uint16_t kWriteData = NameHash("P.W.R.T.", 8);
const uint16_t kRestart = NameHash("P.R.S.T.", 8);

constexpr std::size_t kMaxRequestText = kMaxFrameText;

int AreaIndex(uint8_t area)
{
    for (int i = 0; i < 4; ++i)
        if (DeviceModel::kAreas[i] == area) return i;
    return -1;
}

std::string ToDeviceText(const std::string& utf8)
{
    std::string bytes = Utf16ToCp1251(Utf8ToUtf16(utf8));
    if (bytes.size() > kMaxFrameData) bytes.resize(kMaxFrameData);
    return bytes;
}

std::vector<uint8_t> LittleEndian32(uint32_t value)
{
    return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
            static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
}

bool DeviceActs(DeviceFault kind)
{
    return kind == DeviceFault::None || kind == DeviceFault::Split || kind == DeviceFault::LostAfterAct;
}

}  // namespace

std::vector<uint8_t> GeneratedArea(uint8_t area, uint32_t size)
{
    std::vector<uint8_t> bytes(size);
    for (uint32_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(i * 7u + area * 13u + (i >> 8));
    return bytes;
}

DeviceModel::DeviceModel(DeviceModelConfig config)
    : m_config(std::move(config)),
      m_model1251(ToDeviceText(m_config.model)),
      m_version1251(ToDeviceText(m_config.version)),
      m_clock(m_config.clock)
{
    for (int i = 0; i < 4; ++i) m_areas[i] = GeneratedArea(kAreas[i], m_config.areaSizes[i]);
}

void DeviceModel::SetArea(uint8_t area, std::vector<uint8_t> bytes)
{
    const int index = AreaIndex(area);
    if (index >= 0) m_areas[index] = std::move(bytes);
}

const std::vector<uint8_t>& DeviceModel::Area(uint8_t area) const
{
    static const std::vector<uint8_t> none;
    const int index = AreaIndex(area);
    return index >= 0 ? m_areas[index] : none;
}

void DeviceModel::SetRandomFaults(double rate, uint32_t seed, std::vector<DeviceFault> kinds)
{
    m_randomRate = rate;
    m_random.seed(seed);
    m_randomKinds = std::move(kinds);
}

Answer DeviceModel::Receive(std::string_view characters, uint64_t nowMs)
{
    Answer answer;
    for (char c : characters) {
        if (!HearCharacter(c) || !DecodeRequest() || !IsOwnAddress()) continue;
        for (AnswerPiece& piece : HandleRequest(nowMs)) answer.push_back(std::move(piece));
    }
    return answer;
}

// Collects one request text from '#' to the carriage return. Anything before
// a '#' is line noise; a '#' inside a text starts the text anew; a text that
// grows past the longest frame is dropped.
bool DeviceModel::HearCharacter(char c)
{
    if (c == '#') {
        m_incoming.assign(1, c);
        m_inFrame = true;
        return false;
    }
    if (!m_inFrame) return false;
    if (c == '\r') {
        m_incoming.push_back(c);
        m_inFrame = false;
        return true;
    }
    if (m_incoming.size() >= kMaxRequestText) {
        m_inFrame = false;
        return false;
    }
    m_incoming.push_back(c);
    return false;
}

bool DeviceModel::DecodeRequest()
{
    m_codec.ResetFrame();
    const std::size_t length = std::min(m_incoming.size(), sizeof m_codec.m_rxText);
    std::memcpy(m_codec.m_rxText, m_incoming.data(), length);
    // The device expects no particular identifier, so a mismatch (or the
    // error reply's identifier) still means a well-formed request.
    const int status = m_codec.ScanReceived(static_cast<uint32_t>(length));
    return status == FRAME_OK || status == FRAME_ID_MISMATCH || status == FRAME_NERR;
}

// Compares the raw address bits, not the decoded address: an 11-bit address
// whose low three bits are 0 would otherwise look like an 8-bit one.
bool DeviceModel::IsOwnAddress() const
{
    const uint8_t* frame = m_codec.m_frame;
    if (m_config.elevenBit)
        return ((frame[0] << 3) | (frame[1] >> 5)) == (m_config.address & 0x7FF);
    return (frame[1] & 0xE0) == 0 && frame[0] == (m_config.address & 0xFF);
}

Answer DeviceModel::HandleRequest(uint64_t nowMs)
{
    if (nowMs < m_deafUntilMs) return {};
    if (m_config.vanishAfter != 0 && m_heardCount >= m_config.vanishAfter) return {};
    HeardRequest heard;
    heard.id = m_codec.m_recvHash;
    heard.request = m_codec.m_recvRequest != 0;
    heard.data.assign(m_codec.m_data, m_codec.m_data + m_codec.m_dataLength);
    // The oldest half goes in one step, so keeping the record costs no more
    // than a ring would.
    if (m_heard.size() >= 2 * kHeardKept)
        m_heard.erase(m_heard.begin(), m_heard.end() - kHeardKept);
    m_heard.push_back(heard);
    ++m_heardCount;
    if (m_requestHeard) m_requestHeard(heard);

    const FaultSpec fault = NextFault(heard.id);
    if (!DeviceActs(fault.kind)) return Deliver({heard.id, {}}, fault);
    const Reply reply = Execute(heard.id, heard.request, heard.data.data(),
                                static_cast<uint32_t>(heard.data.size()), nowMs);
    return Deliver(reply, fault);
}

DeviceModel::Reply DeviceModel::Execute(uint16_t id, bool request, const uint8_t* data, uint32_t length,
                                        uint64_t nowMs)
{
    if (id == kDev) return TextParameter(id, request, m_model1251);
    if (id == kVer) return TextParameter(id, request, m_version1251);
    if (id == kClock) return Clock(id, request, data, length);
    if (id == kSelectArea) return SelectArea(id, data, length);
    if (id == kAreaInfo) return AreaInfo(id);
    if (id == kReadData) return ReadData(id);
    if (id == kWriteData) return WriteData(id, data, length);
    if (id == kClear) {
        FinishTransfer();
        return {id, {}};
    }
    if (id == kRestart) {
        Restart(nowMs);
        return {id, {}};
    }
    return {kNerrHash, {DEVERR_UNKNOWN_PARAMETER}};
}

DeviceModel::Reply DeviceModel::TextParameter(uint16_t id, bool request, const std::string& text) const
{
    if (!request) return {kNerrHash, {DEVERR_READ_ONLY}};
    return {id, std::vector<uint8_t>(text.rbegin(), text.rend())};
}

DeviceModel::Reply DeviceModel::Clock(uint16_t id, bool request, const uint8_t* data, uint32_t length)
{
    if (request) return {id, std::vector<uint8_t>(m_clock.begin(), m_clock.end())};
    if (length != m_clock.size()) return {kNerrHash, {DEVERR_BAD_DATA}};
    std::copy(data, data + length, m_clock.begin());
    return {id, {}};
}

DeviceModel::Reply DeviceModel::SelectArea(uint16_t id, const uint8_t* data, uint32_t length)
{
    if (length < 1) return {kNerrHash, {DEVERR_BAD_DATA}};
    const int index = AreaIndex(data[0]);
    if (index < 0) return {kNerrHash, {DEVERR_NO_AREA}};
    FinishTransfer();
    m_selected = index;
    return {id, {}};
}

DeviceModel::Reply DeviceModel::AreaInfo(uint16_t id) const
{
    if (m_selected < 0) return {kNerrHash, {DEVERR_NO_AREA}};
    return {id, LittleEndian32(AnnouncedSize())};
}

uint32_t DeviceModel::AnnouncedSize() const
{
    const int64_t size = static_cast<int64_t>(m_areas[m_selected].size()) + m_config.announceOffset;
    return static_cast<uint32_t>(std::max<int64_t>(size, 0));
}

// The first answer of a read is the area's heading (its number and size),
// then come the area's bytes, then empty answers.
DeviceModel::Reply DeviceModel::ReadData(uint16_t id)
{
    if (m_selected < 0) return {kNerrHash, {DEVERR_NO_AREA}};
    const std::vector<uint8_t>& area = m_areas[m_selected];
    if (!m_readStarted) {
        m_readStarted = true;
        std::vector<uint8_t> heading{kAreas[m_selected]};
        const std::vector<uint8_t> size = LittleEndian32(AnnouncedSize());
        heading.insert(heading.end(), size.begin(), size.end());
        return {id, heading};
    }
    const std::size_t remaining = area.size() - m_readPosition;
    if (remaining == 0) {
        if (m_config.changesWhenRead && !area.empty() && !m_readEnded) {
            m_areas[m_selected][m_readsCompleted++ % area.size()] ^= 0x01;
            m_readEnded = true;
        }
        if (!m_config.endlessReadData) return {id, {}};
        std::vector<uint8_t> filler(kMaxFrameData);
        for (uint8_t& b : filler) b = static_cast<uint8_t>(m_endlessCounter++);
        return {id, filler};
    }
    const std::size_t take = std::min<std::size_t>(remaining, kMaxFrameData);
    std::vector<uint8_t> block(area.begin() + m_readPosition, area.begin() + m_readPosition + take);
    m_readPosition += static_cast<uint32_t>(take);
    return {id, block};
}

DeviceModel::Reply DeviceModel::WriteData(uint16_t id, const uint8_t* data, uint32_t length)
{
    if (m_selected < 0) return {kNerrHash, {DEVERR_NO_AREA}};
    if (length == 0) {
        FinishTransfer();
        m_writeOpen = true;
        return {id, {}};
    }
    if (!m_writeOpen) return {kNerrHash, {DEVERR_WRITE_NOT_OPEN}};
    if (m_pending.size() + length > m_config.areaCapacity) return {kNerrHash, {DEVERR_AREA_FULL}};
    m_pending.insert(m_pending.end(), data, data + length);
    return {id, {}};
}

// An opened write is complete when the PC moves on to anything that ends a
// transfer; only then does the area take its new content, all at once.
void DeviceModel::FinishTransfer()
{
    if (m_writeOpen && m_selected >= 0) {
        m_areas[m_selected] = m_pending;
        if (m_areaWritten) m_areaWritten(kAreas[m_selected], m_areas[m_selected]);
    }
    m_writeOpen = false;
    m_pending.clear();
    m_readStarted = false;
    m_readPosition = 0;
    m_readEnded = false;
}

void DeviceModel::Restart(uint64_t nowMs)
{
    FinishTransfer();
    m_selected = -1;
    m_deafUntilMs = nowMs + m_config.restartSilenceMs;
    ++m_restarts;
}

FaultSpec DeviceModel::NextFault(uint16_t id)
{
    for (FaultRule& rule : m_rules) {
        if (rule.times == 0 || (rule.id != 0 && rule.id != id)) continue;
        if (rule.skip > 0) {
            --rule.skip;
            return {};
        }
        --rule.times;
        return rule.fault;
    }
    if (m_randomRate > 0.0 && !m_randomKinds.empty() &&
        std::uniform_real_distribution<double>(0.0, 1.0)(m_random) < m_randomRate) {
        const std::size_t pick = std::uniform_int_distribution<std::size_t>(0, m_randomKinds.size() - 1)(m_random);
        return {m_randomKinds[pick]};
    }
    return {};
}

std::string DeviceModel::FrameText(const Reply& reply)
{
    m_codec.ResetFrame();
    const std::size_t length = std::min<std::size_t>(reply.data.size(), kMaxFrameData);
    std::copy_n(reply.data.begin(), length, m_codec.m_data);
    m_codec.m_dataLength = static_cast<uint32_t>(length);
    m_codec.BuildFrameByHash(reply.id, false, m_config.address, m_config.elevenBit);
    return std::string(m_codec.m_txText, m_codec.m_txLength);
}

Answer DeviceModel::Deliver(const Reply& reply, const FaultSpec& fault)
{
    const uint32_t turnaround = m_config.turnaroundMs;
    switch (fault.kind) {
    case DeviceFault::Silence:
    case DeviceFault::LostAfterAct:
        return {};
    case DeviceFault::Nerr:
        return {{turnaround, FrameText({kNerrHash, {DEVERR_BUSY}})}};
    case DeviceFault::WrongId: {
        uint16_t other = static_cast<uint16_t>(reply.id + 1);
        if (other == kNerrHash) ++other;
        return {{turnaround, FrameText({other, reply.data})}};
    }
    case DeviceFault::BadCrc: {
        std::string text = FrameText(reply);
        char& crcLetter = text[text.size() - 2];
        crcLetter = crcLetter == 'V' ? 'G' : static_cast<char>(crcLetter + 1);
        return {{turnaround, text}};
    }
    case DeviceFault::Garble: {
        std::string text = FrameText(reply);
        text[text.size() / 2] ^= 0x20;  // a letter turns lower case: outside the alphabet
        return {{turnaround, text}};
    }
    case DeviceFault::Split: {
        const std::string text = FrameText(reply);
        std::size_t at = fault.splitAt != 0 ? fault.splitAt : text.size() / 2;
        at = std::min(at, text.size() - 1);
        return {{turnaround, text.substr(0, at)}, {fault.gapMs, text.substr(at)}};
    }
    case DeviceFault::None:
        break;
    }
    return {{turnaround, FrameText(reply)}};
}
