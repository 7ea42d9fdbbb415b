#include "wizard/RepeatsNote.h"

#include "device/DeviceLink.h"
#include "resources/DeviceTexts.h"

namespace {

std::string Reasons(uint32_t repeats, uint32_t rewrites)
{
    std::string reasons;
    if (repeats > 0) reasons += texts::kRepeatsNoteFailed + (rewrites > 0 ? " " + std::to_string(repeats) : "");
    if (repeats > 0 && rewrites > 0) reasons += ", ";
    if (rewrites > 0) reasons += texts::kRepeatsNoteDiffered + (repeats > 0 ? " " + std::to_string(rewrites) : "");
    return reasons;
}

}  // namespace

std::string RepeatsNote(const WriteVerification& write)
{
    std::string areas;
    for (int index = 0; index < 4; ++index) {
        const uint32_t repeats = write.repeats[index];
        const uint32_t rewrites = write.rewrites[index];
        if (repeats + rewrites == 0) continue;
        if (!areas.empty()) areas += ", ";
        areas += std::string(texts::WriteAreaTexts(kAreas[index]).name) + " - " + std::to_string(repeats + rewrites)
                 + " (" + Reasons(repeats, rewrites) + ")";
    }
    return areas.empty() ? std::string() : texts::kRepeatsNoteStart + areas + ". ";
}
