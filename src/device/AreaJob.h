#pragma once
// One memory-area transfer and the notifications the worker posts about it.

#include <cstdint>
#include <memory>
#include <vector>

struct AreaJob;

// Transfers of an area done again after a failure, unless told otherwise.
constexpr uint32_t kDefaultRetries = 2;
constexpr uint32_t kMostRetries = 5;
// A differing read-back is always written again at least this often,
// whatever the retries allow.
constexpr uint32_t kMostRewrites = 2;

// What the worker tells the progress display. Posted, never waited for.
struct AreaMessage {
    enum class Kind {
        Progress,      // percent; job is null during the restart wait
        Done,          // the job's status is set
        HideCancel,    // the restart after area 64 began: no cancelling now
        StatusText,    // show string stringId (153 or 155) as the status text
        ReadBack,      // a verified write reads its area back: show the area's check title
        Rewrite,       // the read-back differed and the area is written again: show the title
        Repeat,        // the transfer failed and the area is done again from its beginning
    };
    Kind kind = Kind::Progress;
    uint32_t percent = 0;
    const AreaJob* job = nullptr;
    int stringId = 0;
    // ReadBack, Rewrite, Repeat: the transfer of the area under way (1 the
    // first) and the most there may be, for the title's attempt suffix.
    uint32_t attempt = 0;
    uint32_t attempts = 0;
};

// The "window" a job reports to. Post must not block and must be safe from
// the worker thread; a target whose display has closed drops what arrives.
class AreaNotifyTarget {
public:
    virtual ~AreaNotifyTarget() = default;
    virtual void Post(const AreaMessage& message) = 0;
};

struct AreaJob {
    uint8_t area = 0;                          // 0, 16, 40 or 64
    std::vector<uint8_t> data;                 // read: received; write: to send
    std::shared_ptr<AreaNotifyTarget> notify;  // set by the progress display
    int32_t status = 0;
    // A transfer that fails (not cancelled) is done again from the area's
    // beginning, at most `retries` more times; so is a read that ends short
    // of its announcement and cannot be confirmed. A block answered nErr is
    // sent again up to `retries` times first. repeats tells how many
    // transfers of the area were done again after a failure.
    uint32_t retries = kDefaultRetries;
    uint32_t repeats = 0;
    // Write only. With verify, the worker reads the written area back and
    // compares it with data before anything else reaches the device (the
    // restart after area 64 included); while it differs, the area is written
    // again, then the status is LINK_READ_BACK_DIFFERS. rewrites tells how
    // many rewrites it took: kMostRewrites at most, as without repeats,
    // unless the line explains the difference (below). A read-back that the
    // line spoilt (failed, or short and not confirmed) proves nothing about
    // the write, so it is read again first, up to `retries` more times, and
    // only then taken as a failure or a difference. The area is written at
    // most MostTransfers() times in all: the first write, `retries` repeats
    // and the verification's rewrites. A difference after a write that had
    // to send a request again (its answer lost or spoilt: the device may
    // have taken a block twice) may use the whole of that budget.
    bool verify = false;
    uint32_t rewrites = 0;
    // Write only: the area's last write reached its end (every block taken),
    // so a cancel from here on leaves it written, though perhaps unchecked.
    bool written = false;

    uint32_t MostTransfers() const;
};

// Area numbers in the order every job handles them.
constexpr uint8_t kAreas[4] = {0, 16, 40, 64};

inline uint32_t AreaJob::MostTransfers() const
{
    return 1 + retries + (verify ? kMostRewrites : 0);
}
