// The busy-loop calibration of the semi-automatic converter mode, as it runs
// at every port opening: the lead delay (each run sends a blank, here into
// a pseudo-terminal) and the character delay at 2400, 9600 and 115200
// bit/s. For each, the counts and the time of the step-by-step rule as it
// was first written and of the port's search, side by side. The search
// should find the same counts (up to the loop's own jitter) in under 50 ms.

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "StepwiseCalibration.h"
#include "protocol/Sio.h"

namespace {

using Clock = std::chrono::steady_clock;

double TimedRun(int32_t count, int blankFd)
{
    const auto start = Clock::now();
    if (blankFd >= 0) {
        const char blank = ' ';
        (void)!::write(blankFd, &blank, 1);
    }
    BusyLoop(count);
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Measured {
    int32_t count;
    int runs;
    double ms;     // wall time
    double cpuMs;  // this thread's processor time: the cost on an idle machine
};

double ThreadCpuMs()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

Measured Stepwise(double limit, int fd)
{
    const double cpu = ThreadCpuMs();
    const auto start = Clock::now();
    const StepwiseResult result = StepwiseCalibrateCount(limit, [fd](int32_t count) { return TimedRun(count, fd); });
    return {result.count, result.runs, std::chrono::duration<double, std::milli>(Clock::now() - start).count(),
            ThreadCpuMs() - cpu};
}

Measured Search(double limit, int fd)
{
    int runs = 0;
    const double cpu = ThreadCpuMs();
    const auto start = Clock::now();
    const int32_t count = CalibrateCount(limit, [fd, &runs](int32_t c) {
        ++runs;
        return TimedRun(c, fd);
    });
    return {count, runs, std::chrono::duration<double, std::milli>(Clock::now() - start).count(),
            ThreadCpuMs() - cpu};
}

// A pseudo-terminal whose far end nobody reads, drained now and then, as a
// port with nothing on its line.
int OpenBlankSink()
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
        return -1;
    const int slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY | O_NONBLOCK);
    return slave;
}

void Print(const char* what, const Measured& before, const Measured& after)
{
    std::printf("%-20s %10d %5d %8.1f %8.1f   %10d %5d %8.1f %8.1f\n", what, before.count, before.runs, before.ms,
                before.cpuMs, after.count, after.runs, after.ms, after.cpuMs);
}

}  // namespace

// --search-only N: the search alone, N times at each rate, the slowest
// whole calibration of them (the step-by-step rule takes seconds a time).
int SearchOnly(int times, int sink)
{
    for (uint32_t baud : {2400u, 9600u, 115200u}) {
        const double charLimit = (115200.0 / baud) * 0.12;
        std::vector<double> wall, cpu;
        int mostRuns = 0;
        for (int i = 0; i < times; ++i) {
            const Measured lead = Search(1.175, sink);
            const Measured character = Search(charLimit, -1);
            wall.push_back(lead.ms + character.ms);
            cpu.push_back(lead.cpuMs + character.cpuMs);
            mostRuns = std::max(mostRuns, lead.runs + character.runs);
        }
        std::sort(wall.begin(), wall.end());
        std::sort(cpu.begin(), cpu.end());
        std::printf("%6u bit/s, %d calibrations: median %.1f ms (cpu %.1f), slowest %.1f ms (cpu %.1f), at most %d "
                    "runs\n",
                    baud, times, wall[wall.size() / 2], cpu[cpu.size() / 2], wall.back(), cpu.back(), mostRuns);
    }
    return 0;
}

int main(int argc, char** argv)
{
    const int sink = OpenBlankSink();
    if (argc == 3 && std::string(argv[1]) == "--search-only")
        return SearchOnly(std::atoi(argv[2]), sink);
    std::printf("%-20s %10s %5s %8s %8s   %10s %5s %8s %8s\n", "", "stepwise", "runs", "ms", "cpu ms", "search",
                "runs", "ms", "cpu ms");
    for (uint32_t baud : {2400u, 9600u, 115200u}) {
        const double charLimit = (115200.0 / baud) * 0.12;
        const Measured leadBefore = Stepwise(1.175, sink);
        const Measured leadAfter = Search(1.175, sink);
        const Measured charBefore = Stepwise(charLimit, -1);
        const Measured charAfter = Search(charLimit, -1);
        char label[64];
        std::snprintf(label, sizeof label, "%u lead (count/2)", baud);
        Print(label, {leadBefore.count / 2, leadBefore.runs, leadBefore.ms, leadBefore.cpuMs},
              {leadAfter.count / 2, leadAfter.runs, leadAfter.ms, leadAfter.cpuMs});
        std::snprintf(label, sizeof label, "%u character", baud);
        Print(label, charBefore, charAfter);
        std::printf("%-20s %10s %5s %8.1f %8.1f   %10s %5s %8.1f %8.1f\n", "  whole calibration", "", "",
                    leadBefore.ms + charBefore.ms, leadBefore.cpuMs + charBefore.cpuMs, "", "",
                    leadAfter.ms + charAfter.ms, leadAfter.cpuMs + charAfter.cpuMs);
    }
    return 0;
}
