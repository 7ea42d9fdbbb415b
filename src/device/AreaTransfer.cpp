// The worker's side: one parameter request, and the block-by-block
// transfer of one memory area with the device restart after area 64.
#include <algorithm>
#include <cstring>

#include "device/DeviceLink.h"
#include "platform/CodePage1251.h"
#include "resources/DeviceTexts.h"

namespace {

constexpr uint32_t kBlockSize = 15;
// The announced size only sizes the first reservation; a device that
// announces gigabytes must not make us ask for them.
constexpr uint32_t kMaxReservation = 1u << 20;
// Status of a read that ended with fewer bytes than the device announced
// ("Ошибка прибора. ").
constexpr int kAreaShort = -105;

uint32_t ReverseBytes(uint32_t value)
{
    return (value >> 24) | ((value >> 8) & 0xFF00) | ((value << 8) & 0xFF0000) | (value << 24);
}

uint32_t Percent(uint64_t done, uint64_t whole)
{
    if (whole == 0) return 100;
    return static_cast<uint32_t>(done * 100 / whole);
}

AreaMessage Progress(uint32_t percent, const AreaJob* job)
{
    return {AreaMessage::Kind::Progress, percent, job, 0};
}

// The title's change when a transfer of the area begins that is not its
// first (or its read-back): attempt counts from 1.
AreaMessage Attempt(AreaMessage::Kind kind, const AreaJob& job, uint32_t attempt)
{
    return {kind, 0, &job, 0, attempt, job.MostTransfers()};
}

}  // namespace

void DeviceLink::ExecuteRequest(ParamRequest* request, bool read)
{
    if (request->index != -1) {
        if (request->length > 13) {
            request->status = PROTO_BAD_ARGUMENT;
            return;
        }
        auto index = static_cast<uint16_t>(request->index);
        request->data[request->length] = static_cast<uint8_t>(index >> 8);
        request->data[request->length + 1] = static_cast<uint8_t>(index & 0xFF);
        request->length += 2;
    }
    if (request->name.empty()) {
        request->status = m_port->TransferByHash(request->hash, read, settings.address, ElevenBit(), request->data,
                                                 &request->length);
    } else {
        std::string name = Utf16ToCp1251(Utf8ToUtf16(request->name));
        request->status = m_port->TransferByName(name.c_str(), read, settings.address, ElevenBit(), request->data,
                                                 &request->length);
    }
    if (request->status == 0 && request->index != -1 && request->length >= 2) request->length -= 2;
}

int DeviceLink::CommandRead(const char* name, uint32_t length)
{
    m_transferLength = length;
    return m_port->TransferByName(name, 1, settings.address, ElevenBit(), m_transfer, &m_transferLength);
}

int DeviceLink::CommandWrite(const char* name, uint32_t length)
{
    m_transferLength = length;
    return m_port->TransferByName(name, 0, settings.address, ElevenBit(), m_transfer, &m_transferLength);
}

// An nErr to a block request changed nothing in the device, so the block
// is asked for again. Should the device have acted after all, a skipped
// block leaves a read short and a doubled one shows in the write's
// read-back; both rules look at the requests sent again, so these count.
// A failed request leaves the transfer buffer as it was.
int DeviceLink::BlockCommand(const char* name, bool read, uint32_t length, uint32_t resends)
{
    for (uint32_t sent = 0;; ++sent) {
        const int status = read ? CommandRead(name, length) : CommandWrite(name, length);
        if (status != PROTO_NERR || sent == resends) return status;
        ++m_blockResends;
    }
}

uint32_t DeviceLink::RepeatedRequests() const { return m_port->RepeatedRequests() + m_blockResends; }

// Another transfer of the area after a failure, while the retries allow:
// never after a cancel, nor on a port whose line has gone.
bool DeviceLink::MayRepeat(const AreaJob& job, int status, const std::atomic<bool>& cancel)
{
    return status != 0 && !cancel && job.repeats < job.retries
           && job.repeats + job.rewrites + 1 < job.MostTransfers() && !m_port->Line().Lost();
}

// Another write of an area whose read-back differed. A write that sent no
// request again cannot have doubled a block, so what differs then is the
// device's doing and gets the verification's own rewrites only; after one
// that did, the line may be to blame, and the whole budget serves.
bool DeviceLink::MayRewrite(const AreaJob& job, bool resent)
{
    return (job.rewrites < kMostRewrites || resent) && job.repeats + job.rewrites + 1 < job.MostTransfers()
           && !m_port->Line().Lost();
}

namespace {

// Block transfers take in answers that come in pieces, unless told to
// keep to the old requests and reads; back to the old reads at the end.
class LateAnswers {
public:
    LateAnswers(Sio& port, const AreaJob& job) : m_port(port) { m_port.FollowLateAnswers(job.retries > 0); }
    ~LateAnswers() { m_port.FollowLateAnswers(false); }
    LateAnswers(const LateAnswers&) = delete;
    LateAnswers& operator=(const LateAnswers&) = delete;

private:
    Sio& m_port;
};

}  // namespace

// Resets the device's transfer state and selects the area.
int DeviceLink::OpenArea(uint8_t area)
{
    int status = CommandRead("P.C.L.R.", 0);
    if (status != 0) return status;
    m_transfer[0] = area;
    return CommandWrite("P.A.R.E.", 1);
}

void DeviceLink::TransferAreaRead()
{
    AreaJob* job = TakeJob(m_readCancel);
    if (!job) return;
    std::shared_ptr<AreaNotifyTarget> notify = job->notify;
    const LateAnswers late(*m_port, *job);
    Post(notify, Progress(0, job));

    int status = ReadConfirmedArea(job->area, job->data, m_readCancel, notify, job);
    while (MayRepeat(*job, status, m_readCancel)) {
        ++job->repeats;
        Post(notify, Attempt(AreaMessage::Kind::Repeat, *job, job->repeats + 1));
        Post(notify, Progress(0, job));
        // An attempt that brought nothing keeps what an earlier one had, so
        // the failure still names its reason, as a read that got some data
        // does.
        std::vector<uint8_t> again;
        status = ReadConfirmedArea(job->area, again, m_readCancel, notify, job);
        if (status == 0 || !again.empty()) job->data = std::move(again);
    }

    bool cancelled = m_readCancel;
    if (!cancelled) job->status = status;
    cancelled = EndTransfer(m_readCancel) || cancelled;
    Release();
    // Cleared before the end is reported, so the next area can begin at once.
    if (!cancelled) Post(notify, {AreaMessage::Kind::Done, 0, job, 0});
    EndAreaRead();
}

// Blocks carry no offset: when an answer is lost after the device has moved
// on, the retry fetches the next block and one goes missing, and the area
// comes out short of its announced size. But the announcement need not be
// exact (a capacity, a rounded size), so a short area is read once more:
// a complete second read is kept, and so are two short reads that agree
// byte for byte, unless both needed a request sent again (the same block
// lost twice would agree too); anything else is a loss ("Ошибка прибора. ").
// More than announced is kept at once.
int DeviceLink::ReadConfirmedArea(uint8_t area, std::vector<uint8_t>& into, const std::atomic<bool>& cancel,
                                  const std::shared_ptr<AreaNotifyTarget>& notify, const AreaJob* job,
                                  const std::vector<uint8_t>* expected)
{
    uint32_t announced = 0;
    uint32_t repeats = RepeatedRequests();
    int status = ReadAreaOnce(area, into, &announced, cancel, notify, job, expected);
    if (status != 0 || cancel || into.size() >= announced) return status;
    const bool firstClean = RepeatedRequests() == repeats;

    std::vector<uint8_t> first = std::move(into);
    into.clear();
    Post(notify, Progress(0, job));
    uint32_t announcedAgain = 0;
    repeats = RepeatedRequests();
    status = ReadAreaOnce(area, into, &announcedAgain, cancel, notify, job, expected);
    if (status != 0 || cancel || into.size() >= announcedAgain) return status;
    const bool secondClean = RepeatedRequests() == repeats;
    const bool agree = into == first && announcedAgain == announced;
    return agree && (firstClean || secondClean) ? 0 : kAreaShort;
}

int DeviceLink::ReadAreaOnce(uint8_t area, std::vector<uint8_t>& into, uint32_t* announced,
                             const std::atomic<bool>& cancel, const std::shared_ptr<AreaNotifyTarget>& notify,
                             const AreaJob* job, const std::vector<uint8_t>* expected)
{
    int status = OpenArea(area);
    if (status == 0) {
        status = m_port->ReadValue("P.I.N.F.", settings.address, ElevenBit(), announced, -1);
        *announced = ReverseBytes(*announced);
    }
    // The first answer after selecting the area is not part of it.
    if (status == 0) status = BlockCommand("P.R.D.D.", true, 0, job->retries);
    if (status == 0) status = ReadAreaBlocks(into, *announced, cancel, notify, job, expected);
    return status;
}

int DeviceLink::ReadAreaBlocks(std::vector<uint8_t>& into, uint32_t announced, const std::atomic<bool>& cancel,
                               const std::shared_ptr<AreaNotifyTarget>& notify, const AreaJob* job,
                               const std::vector<uint8_t>* expected)
{
    into.reserve(std::min(announced, kMaxReservation));
    uint64_t total = 0;
    for (;;) {
        int status = BlockCommand("P.R.D.D.", true, 0, job->retries);
        if (status != 0 || m_transferLength == 0 || cancel) return status;
        total += m_transferLength;
        into.insert(into.end(), m_transfer, m_transfer + m_transferLength);
        Post(notify, Progress(Percent(total, announced), job));
        if (expected && (into.size() > expected->size() || !std::equal(into.begin(), into.end(), expected->begin())))
            return LINK_READ_BACK_DIFFERS;
    }
}

// Every read, whatever its outcome, leaves area 40 selected and the
// transfer cleared.
void DeviceLink::EndAreaRead()
{
    m_transfer[0] = 40;
    CommandWrite("P.A.R.E.", 1);
    CommandRead("P.C.L.R.", 0);
}

void DeviceLink::TransferAreaWrite()
{
    AreaJob* job = TakeJob(m_writeCancel);
    if (!job) return;
    std::shared_ptr<AreaNotifyTarget> notify = job->notify;
    // Kept here: once a cancelled job is released its owner may free it.
    const uint8_t area = job->area;
    const LateAnswers late(*m_port, *job);
    Post(notify, Progress(0, job));

    // Verified before the restart: a running program could change area 64
    // after it.
    int status = WriteAreaAttempts(*job, notify);

    bool cancelled = EndTransfer(m_writeCancel);
    // The owner of a cancelled job need not wait through the restart.
    if (cancelled) Release();
    if (area == 64) RestartDevice(notify);
    if (cancelled) return;

    // The Cancel button is gone during the restart, but a caller may still
    // have cancelled.
    cancelled = EndTransfer(m_writeCancel);
    if (!cancelled) job->status = status;
    Release();
    if (!cancelled) Post(notify, {AreaMessage::Kind::Done, 0, job, 0});
}

// The area written, and read back with verify, then done again from its
// beginning while it failed or differed, as far as the budget of its
// transfers allows.
int DeviceLink::WriteAreaAttempts(AreaJob& job, const std::shared_ptr<AreaNotifyTarget>& notify)
{
    for (;;) {
        const uint32_t resentBefore = m_port->RepeatedRequests();
        int status = WriteArea(job, notify);
        const bool resent = m_port->RepeatedRequests() != resentBefore;
        if (status == 0 && job.verify && !m_writeCancel) status = VerifyWrittenArea(job, notify);
        if (status == 0 || m_writeCancel) return status;
        const uint32_t done = job.repeats + job.rewrites;
        const bool differs = status == LINK_READ_BACK_DIFFERS;
        if (differs ? !MayRewrite(job, resent) : !MayRepeat(job, status, m_writeCancel)) return status;
        ++(differs ? job.rewrites : job.repeats);
        Post(notify, Attempt(differs ? AreaMessage::Kind::Rewrite : AreaMessage::Kind::Repeat, job, done + 2));
        Post(notify, Progress(0, &job));
    }
}

int DeviceLink::WriteArea(AreaJob& job, const std::shared_ptr<AreaNotifyTarget>& notify)
{
    job.written = false;
    int status = OpenArea(job.area);
    if (status == 0) status = BlockCommand("P.W.R.T.", false, 0, job.retries);
    if (status == 0) status = WriteAreaBlocks(job, notify);
    return status;
}

// The bytes the write sends for the job's area: the header's size, never
// beyond what the job holds.
uint32_t DeviceLink::WriteSize(const AreaJob& job) const
{
    uint32_t size = 0;
    switch (job.area) {
    case 0: size = header.size0; break;
    case 16: size = header.size16; break;
    case 40: size = header.size40; break;
    case 64: size = header.size64; break;
    default: break;
    }
    return static_cast<uint32_t>(std::min<std::size_t>(size, job.data.size()));
}

int DeviceLink::WriteAreaBlocks(AreaJob& job, const std::shared_ptr<AreaNotifyTarget>& notify)
{
    const uint32_t size = WriteSize(job);
    int status = 0;
    for (uint32_t offset = 0;;) {
        uint32_t block = std::min(kBlockSize, size - offset);
        if (block == 0) {
            std::memset(m_transfer, 0, sizeof m_transfer);
            job.written = true;
            return status;
        }
        std::memcpy(m_transfer, job.data.data() + offset, block);
        status = BlockCommand("P.W.R.T.", false, block, job.retries);
        if (status != 0) return status;
        if (offset + block == size) job.written = true;
        if (m_writeCancel) return status;
        Post(notify, Progress(Percent(offset, size), &job));
        offset += block;
    }
}

// The protocol carries no offsets: an answer lost after the device took a
// block makes the retry send it twice, and only reading the area back shows
// it. The read-back is a read like any other (short reads confirmed, area 40
// selected at its end). A read-back the line spoilt (failed, or short and
// not confirmed) says nothing about the write, so it is read again, as often
// as the retries allow, before the area is written again for it.
// LINK_READ_BACK_DIFFERS when the area differs from what was sent, and also
// when the last read-back could not be confirmed (two short reads that
// differ): that proves nothing either way, so the area is written again as
// if it differed.
// With retries the read-back stops at the first block that differs: a
// doubled block shows there, and the rest of the area is not worth the
// line's time. A read that sent no request again got every block once and
// in order, so what it found differs in the device; one that did may have
// skipped a block itself, and is read again like any spoilt read-back.
int DeviceLink::VerifyWrittenArea(AreaJob& job, const std::shared_ptr<AreaNotifyTarget>& notify)
{
    const std::vector<uint8_t> sent(job.data.begin(), job.data.begin() + WriteSize(job));
    const std::vector<uint8_t>* stopAtDifference = job.retries > 0 ? &sent : nullptr;
    for (uint32_t reread = 0;; ++reread) {
        Post(notify, Attempt(AreaMessage::Kind::ReadBack, job, job.repeats + job.rewrites + 1));
        Post(notify, Progress(0, &job));
        std::vector<uint8_t> readBack;
        const uint32_t resentBefore = m_port->RepeatedRequests();
        const int status = ReadConfirmedArea(job.area, readBack, m_writeCancel, notify, &job, stopAtDifference);
        EndAreaRead();
        if (m_writeCancel) return status;
        if (status == 0) return readBack == sent ? 0 : LINK_READ_BACK_DIFFERS;
        const bool differs = status == LINK_READ_BACK_DIFFERS;
        if (differs && m_port->RepeatedRequests() == resentBefore) return status;
        if (reread == job.retries || m_port->Line().Lost())
            return status == kAreaShort || differs ? LINK_READ_BACK_DIFFERS : status;
    }
}

void DeviceLink::RestartDevice(const std::shared_ptr<AreaNotifyTarget>& notify)
{
    const AreaMessage waitText{AreaMessage::Kind::StatusText, 0, nullptr, texts::kRestartWaitString};
    const AreaMessage blankText{AreaMessage::Kind::StatusText, 0, nullptr, texts::kRestartBlankString};
    Post(notify, {AreaMessage::Kind::HideCancel, 0, nullptr, 0});
    Post(notify, waitText);
    Post(notify, Progress(0, nullptr));
    CommandRead("P.R.S.T.", 0);
    for (uint32_t pass = 0; pass < 5; ++pass) {
        Post(notify, Progress(pass * 25, nullptr));
        Post(notify, blankText);
        m_sleeper(250);
        Post(notify, waitText);
        m_sleeper(800);
    }
}
