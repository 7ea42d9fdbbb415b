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
};

// Area numbers in the order every job handles them.
constexpr uint8_t kAreas[4] = {0, 16, 40, 64};
