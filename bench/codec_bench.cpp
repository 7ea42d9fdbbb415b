// How fast the frame codec builds a request and checks an answer: frames
// built and decoded per second, for the smallest and the largest frame.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "protocol/FrameCodec.h"

namespace {

std::string AnswerOf(uint16_t id, uint32_t dataLength)
{
    FrameCodec device;
    device.ResetFrame();
    for (uint32_t i = 0; i < dataLength; ++i) device.m_data[i] = static_cast<uint8_t>(0xA0 + i);
    device.m_dataLength = dataLength;
    device.BuildFrameByHash(id, false, 16, false);
    return std::string(device.m_txText, device.m_txLength);
}

void BuildAndDecode(benchmark::State& state)
{
    const uint32_t dataLength = static_cast<uint32_t>(state.range(0));
    const std::string answer = AnswerOf(0x321A, dataLength);
    FrameCodec codec;
    for (auto _ : state) {
        codec.ResetFrame();
        codec.m_dataLength = dataLength;
        codec.BuildFrameByName("P.R.D.D.", true, 16, false);
        std::memcpy(codec.m_rxText, answer.data(), answer.size());
        const int status = codec.ScanReceived(static_cast<uint32_t>(answer.size()));
        benchmark::DoNotOptimize(status);
        benchmark::DoNotOptimize(codec.m_txText);
    }
    state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                    benchmark::Counter::kIsRate);
}
BENCHMARK(BuildAndDecode)->Arg(0)->Arg(15);

void NameHashOnly(benchmark::State& state)
{
    for (auto _ : state) benchmark::DoNotOptimize(NameHash("P.W.R.T.", 8));
    state.counters["hashes/s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                    benchmark::Counter::kIsRate);
}
BENCHMARK(NameHashOnly);

}  // namespace

BENCHMARK_MAIN();
