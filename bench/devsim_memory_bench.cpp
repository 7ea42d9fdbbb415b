// The simulated device's memory over a long session: ten million requests
// (identification, area reads and area writes, as a bench of production
// runs sends them) into one device model, with its resident memory printed
// along the way. A model that keeps something per request grows here.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "DeviceModel.h"

namespace {

std::string RequestText(const char* name, bool request, std::vector<uint8_t> data = {})
{
    FrameCodec codec;
    codec.ResetFrame();
    for (std::size_t i = 0; i < data.size(); ++i) codec.m_data[i] = data[i];
    codec.m_dataLength = static_cast<uint32_t>(data.size());
    codec.BuildFrameByName(name, request, 16, false);
    return std::string(codec.m_txText, codec.m_txLength);
}

long ResidentKib()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

}  // namespace

int main()
{
    // One round: identify, write area 64 (40 bytes), read it back.
    std::vector<std::string> round{RequestText("dev", true), RequestText("ver", true),
                                   RequestText("P.C.L.R.", true), RequestText("P.A.R.E.", false, {64}),
                                   RequestText("P.W.R.T.", false)};
    for (int block = 0; block < 3; ++block) {
        round.push_back(RequestText("P.W.R.T.", false, std::vector<uint8_t>(block < 2 ? 15 : 10, uint8_t(block))));
    }
    round.push_back(RequestText("P.C.L.R.", true));
    round.push_back(RequestText("P.A.R.E.", false, {64}));
    round.push_back(RequestText("P.I.N.F.", true));
    for (int block = 0; block < 5; ++block) round.push_back(RequestText("P.R.D.D.", true));
    std::string text;
    for (const std::string& request : round) text += request;

    constexpr uint64_t kRequests = 10'000'000;
    DeviceModel device;
    uint64_t sent = 0;
    uint64_t answered = 0;
    uint64_t nextReport = 1'000'000;
    const auto start = std::chrono::steady_clock::now();
    std::printf("requests    resident KiB   record kept\n");
    std::printf("%8llu %14ld %13zu\n", 0ULL, ResidentKib(), device.Heard().size());
    while (sent < kRequests) {
        answered += device.Receive(text, sent).size();
        sent += round.size();
        if (sent >= nextReport) {
            std::printf("%8llu %14ld %13zu\n", static_cast<unsigned long long>(sent), ResidentKib(),
                        device.Heard().size());
            nextReport += 1'000'000;
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%llu requests (%llu answered) in %.1f s, %.0f requests/s; peak resident %ld KiB\n",
                static_cast<unsigned long long>(sent), static_cast<unsigned long long>(answered), seconds,
                static_cast<double>(sent) / seconds, usage.ru_maxrss);
    return answered == sent ? 0 : 1;
}
