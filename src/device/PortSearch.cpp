#include "device/PortSearch.h"

#include <algorithm>

#include "device/DeviceText.h"
#include "resources/DeviceTexts.h"
#include "resources/SearchTexts.h"

namespace {

const uint16_t kDevHash = NameHash("dev", 3);
const uint16_t kVerHash = NameHash("ver", 3);

}  // namespace

PortSearch::PortSearch(std::string portName, const CommSettings& stored, const SearchScope& scope)
    : m_portName(std::move(portName)), m_stored(stored), m_groups(SearchOrder(stored, scope)),
      m_clock(SteadyMicroClock())
{
    m_progress.total = CandidateCount(m_groups);
    if (!m_groups.empty()) m_progress.trying = m_groups.front().settings;
}

void PortSearch::SetTime(Sleeper sleeper, MicroClock clock)
{
    m_sleeper = std::move(sleeper);
    m_clock = std::move(clock);
}

PortSearchProgress PortSearch::Progress() const
{
    std::lock_guard guard(m_progressLock);
    return m_progress;
}

void PortSearch::SetProgress(const CommSettings& trying, bool confirming)
{
    std::lock_guard guard(m_progressLock);
    m_progress.trying = trying;
    m_progress.confirming = confirming;
}

bool PortSearch::PortGone()
{
    if (!m_port || !m_port->Line().Lost()) return false;
    m_failure = texts::kSearchPortLost;
    return true;
}

// The port object is made once and set up anew for each group, as a job
// sets it up for its settings.
bool PortSearch::OpenFor(const CommSettings& settings)
{
    if (!m_port) m_port = std::make_unique<Sio>(m_lineFactory ? m_lineFactory() : MakePlatformSerialLine(), m_sleeper);
    m_port->Configure(settings);
    const int result = m_port->Reopen();
    if (result == SIO_OK) return true;
    m_failure = texts::PortOpenText(result);
    const std::string detail = texts::PortOpenDetail(m_port->Line().LastOpenError(), m_port->Line().LastOpenDetail());
    if (!detail.empty()) m_failure += "\n" + detail;
    return false;
}

PortSearchEnd PortSearch::Run(const std::atomic<bool>& cancel, bool stopAtFirst, const FoundCallback& onFound)
{
    bool opened = false;
    for (const ProbeGroup& group : m_groups) {
        if (cancel) return PortSearchEnd::Cancelled;
        if (!OpenFor(group.settings)) return opened ? PortSearchEnd::Lost : PortSearchEnd::NotOpened;
        opened = true;
        LineProbe probe(*m_port, m_clock);
        probe.Begin(IsElevenBit(group.settings), ProbeTimingFor(m_port->m_active.format, m_port->Line().LatencyMs()));
        const uint64_t lateUs = ProbeTimingFor(m_port->m_active.format, 0).lateUs;

        std::vector<Answered> answered;
        std::size_t confirmedUpTo = 0;
        bool foundAny = false;
        CommSettings trying = group.settings;
        for (const uint16_t address : group.addresses) {
            if (cancel) return PortSearchEnd::Cancelled;
            if (PortGone()) return PortSearchEnd::Lost;
            trying.address = address;
            SetProgress(trying, false);
            probe.Probe(address);
            Note(answered, probe.TakeAnswers());
            {
                std::lock_guard guard(m_progressLock);
                ++m_progress.done;
            }
            // Stopping at the first device, an answer is confirmed at once.
            if (stopAtFirst && confirmedUpTo < answered.size()) {
                if (ConfirmAll(answered, confirmedUpTo, group.settings, cancel, true, onFound, foundAny))
                    return PortSearchEnd::Found;
                if (cancel) return PortSearchEnd::Cancelled;
            }
        }
        // Answers still on their way from slow devices.
        probe.ListenUntil(probe.Now() + lateUs);
        Note(answered, probe.TakeAnswers());
        if (ConfirmAll(answered, confirmedUpTo, group.settings, cancel, stopAtFirst, onFound, foundAny))
            return PortSearchEnd::Found;
        if (cancel) return PortSearchEnd::Cancelled;
        if (PortGone()) return PortSearchEnd::Lost;
        if (foundAny) break;
    }
    return PortSearchEnd::Searched;
}

// Two devices at one address answer together: the wire garbles both, or,
// where their answers do not overlap, the address says two different
// things. Neither is a device one could talk to.
void PortSearch::Note(std::vector<Answered>& answered, std::vector<HeardAnswer> heard)
{
    for (HeardAnswer& answer : heard) {
        auto same = std::find_if(answered.begin(), answered.end(),
                                 [&](const Answered& a) { return a.address == answer.address; });
        if (same == answered.end()) {
            answered.push_back({answer.address, std::move(answer.data), answer.nerr, false});
        } else if (same->data != answer.data || same->nerr != answer.nerr) {
            same->collided = true;
        }
    }
}

bool PortSearch::ConfirmAll(std::vector<Answered>& answered, std::size_t& confirmedUpTo, const CommSettings& group,
                            const std::atomic<bool>& cancel, bool stopAtFirst, const FoundCallback& onFound,
                            bool& foundAny)
{
    for (; confirmedUpTo < answered.size(); ++confirmedUpTo) {
        if (cancel) return false;
        const Answered& answer = answered[confirmedUpTo];
        if (answer.collided) continue;
        CommSettings settings = group;
        settings.address = answer.address;
        std::optional<FoundDevice> device = Confirm(settings, cancel);
        if (!device) continue;
        foundAny = true;
        if (onFound) onFound(*device);
        if (stopAtFirst) {
            ++confirmedUpTo;
            return true;
        }
    }
    return false;
}

// The identification every job makes, at the address found: an answer or
// the error reply to both "dev" and "ver".
std::optional<FoundDevice> PortSearch::Confirm(const CommSettings& settings, const std::atomic<bool>& cancel)
{
    SetProgress(settings, true);
    FoundDevice device;
    device.port = m_portName;
    device.settings = settings;
    const bool elevenBit = IsElevenBit(settings);
    for (const uint16_t hash : {kDevHash, kVerHash}) {
        if (cancel) return std::nullopt;
        uint8_t data[16] = {};
        uint32_t length = 0;
        const int status = m_port->TransferByHash(hash, 1, settings.address, elevenBit, data, &length);
        if (status != PROTO_OK && status != PROTO_NERR) return std::nullopt;
        if (status == PROTO_OK) (hash == kDevHash ? device.model : device.version) = DecodeDeviceText(data, length);
    }
    if (cancel) return std::nullopt;
    return device;
}
