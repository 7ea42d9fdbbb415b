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
    Post(notify, Progress(0, job));

    int status = ReadConfirmedArea(job->area, job->data, m_readCancel, notify, job);

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
                                  const std::shared_ptr<AreaNotifyTarget>& notify, const AreaJob* job)
{
    uint32_t announced = 0;
    uint32_t repeats = m_port->RepeatedRequests();
    int status = ReadAreaOnce(area, into, &announced, cancel, notify, job);
    if (status != 0 || cancel || into.size() >= announced) return status;
    const bool firstClean = m_port->RepeatedRequests() == repeats;

    std::vector<uint8_t> first = std::move(into);
    into.clear();
    Post(notify, Progress(0, job));
    uint32_t announcedAgain = 0;
    repeats = m_port->RepeatedRequests();
    status = ReadAreaOnce(area, into, &announcedAgain, cancel, notify, job);
    if (status != 0 || cancel || into.size() >= announcedAgain) return status;
    const bool secondClean = m_port->RepeatedRequests() == repeats;
    const bool agree = into == first && announcedAgain == announced;
    return agree && (firstClean || secondClean) ? 0 : kAreaShort;
}

int DeviceLink::ReadAreaOnce(uint8_t area, std::vector<uint8_t>& into, uint32_t* announced,
                             const std::atomic<bool>& cancel, const std::shared_ptr<AreaNotifyTarget>& notify,
                             const AreaJob* job)
{
    int status = OpenArea(area);
    if (status == 0) {
        status = m_port->ReadValue("P.I.N.F.", settings.address, ElevenBit(), announced, -1);
        *announced = ReverseBytes(*announced);
    }
    // The first answer after selecting the area is not part of it.
    if (status == 0) status = CommandRead("P.R.D.D.", 0);
    if (status == 0) status = ReadAreaBlocks(into, *announced, cancel, notify, job);
    return status;
}

int DeviceLink::ReadAreaBlocks(std::vector<uint8_t>& into, uint32_t announced, const std::atomic<bool>& cancel,
                               const std::shared_ptr<AreaNotifyTarget>& notify, const AreaJob* job)
{
    into.reserve(std::min(announced, kMaxReservation));
    uint64_t total = 0;
    for (;;) {
        int status = CommandRead("P.R.D.D.", 0);
        if (status != 0 || m_transferLength == 0 || cancel) return status;
        total += m_transferLength;
        into.insert(into.end(), m_transfer, m_transfer + m_transferLength);
        Post(notify, Progress(Percent(total, announced), job));
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
    Post(notify, Progress(0, job));

    int status = WriteArea(*job, notify);
    // Before the restart: a running program could change area 64 after it.
    if (status == 0 && job->verify && !m_writeCancel) status = VerifyWrittenArea(*job, notify);

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

int DeviceLink::WriteArea(const AreaJob& job, const std::shared_ptr<AreaNotifyTarget>& notify)
{
    int status = OpenArea(job.area);
    if (status == 0) status = CommandWrite("P.W.R.T.", 0);
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

int DeviceLink::WriteAreaBlocks(const AreaJob& job, const std::shared_ptr<AreaNotifyTarget>& notify)
{
    const uint32_t size = WriteSize(job);
    int status = 0;
    for (uint32_t offset = 0;;) {
        uint32_t block = std::min(kBlockSize, size - offset);
        if (block == 0) {
            std::memset(m_transfer, 0, sizeof m_transfer);
            return status;
        }
        std::memcpy(m_transfer, job.data.data() + offset, block);
        status = CommandWrite("P.W.R.T.", block);
        if (status != 0 || m_writeCancel) return status;
        Post(notify, Progress(Percent(offset, size), &job));
        offset += block;
    }
}

// The protocol carries no offsets: an answer lost after the device took a
// block makes the retry send it twice, and only reading the area back shows
// it. The read-back is a read like any other (short reads confirmed, area 40
// selected at its end); an area that differs is written again.
int DeviceLink::VerifyWrittenArea(AreaJob& job, const std::shared_ptr<AreaNotifyTarget>& notify)
{
    const std::vector<uint8_t> sent(job.data.begin(), job.data.begin() + WriteSize(job));
    for (;;) {
        Post(notify, {AreaMessage::Kind::ReadBack, 0, &job, 0});
        Post(notify, Progress(0, &job));
        std::vector<uint8_t> readBack;
        int status = ReadConfirmedArea(job.area, readBack, m_writeCancel, notify, &job);
        EndAreaRead();
        if (m_writeCancel) return status;
        // A read-back that could not be confirmed (two short reads that
        // differ) proves nothing either way: the area is written again as
        // if it differed.
        const bool matches = status == 0 && readBack == sent;
        if (matches || (status != 0 && status != kAreaShort)) return status;
        if (job.rewrites == kMostRewrites) return LINK_READ_BACK_DIFFERS;
        ++job.rewrites;
        Post(notify, {AreaMessage::Kind::Rewrite, 0, &job, 0});
        Post(notify, Progress(0, &job));
        status = WriteArea(job, notify);
        if (status != 0 || m_writeCancel) return status;
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
