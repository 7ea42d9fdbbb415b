#include "platform/OpenLines.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

std::mutex& Lock()
{
    static std::mutex lock;
    return lock;
}

std::vector<LineKeeper*>& Lines()
{
    static std::vector<LineKeeper*> lines;
    return lines;
}

}  // namespace

namespace openlines {

void Add(LineKeeper* line)
{
    std::lock_guard guard(Lock());
    Lines().push_back(line);
}

void Remove(LineKeeper* line)
{
    std::lock_guard guard(Lock());
    auto& lines = Lines();
    lines.erase(std::remove(lines.begin(), lines.end(), line), lines.end());
}

void PutAll()
{
    std::lock_guard guard(Lock());
    for (LineKeeper* line : Lines()) line->PutBack();
}

}  // namespace openlines
