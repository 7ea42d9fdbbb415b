#pragma once
// One memory-area transfer and the notifications the worker posts about it.

#include <cstdint>
#include <memory>
#include <vector>

struct AreaJob;

// What the worker tells the progress display. Posted, never waited for.
struct AreaMessage {
    enum class Kind {
        Progress,      // percent; job is null during the restart wait
        Done,          // the job's status is set
        HideCancel,    // the restart after area 64 began: no cancelling now
        StatusText,    // show string stringId (153 or 155) as the status text
        ReadBack,      // a verified write reads its area back: show the area's check title
        Rewrite,       // the read-back differed and the area is written again: show the title
    };
    Kind kind = Kind::Progress;
    uint32_t percent = 0;
    const AreaJob* job = nullptr;
    int stringId = 0;
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
    // Write only. With verify, the worker reads the written area back and
    // compares it with data before anything else reaches the device (the
    // restart after area 64 included); while it differs, the area is written
    // again, at most kMostRewrites times, then the status is
    // LINK_READ_BACK_DIFFERS. rewrites tells how many rewrites it took.
    bool verify = false;
    uint32_t rewrites = 0;
};

constexpr uint32_t kMostRewrites = 2;

// Area numbers in the order every job handles them.
constexpr uint8_t kAreas[4] = {0, 16, 40, 64};
