// The whole console on sixteen channels of 48 kHz audio in blocks of 512
// frames: time per frame and seconds of audio per second of one core.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

#include "plugin/quor.h"
#include "tests/plugin/stub_editor.h"

namespace {

constexpr int kChannels = 16;
constexpr int kBlock = 512;
constexpr double kSampleRate = 48000.;

void RunChain(benchmark::State& state, bool withEditor) {
  QUOR console(IInstanceInfo{});
  if (withEditor) {
    std::array<int, QUOR::kNumMeters> meters{};
    for (int m = 0; m < QUOR::kNumMeters; ++m)
      meters[static_cast<std::size_t>(m)] = 60 + m;
    console.SetMeterControls(meters);
    console.AttachGraphics(std::make_unique<StubEditor>());
  }
  console.SetSampleRate(kSampleRate);
  console.OnParamReset();
  std::vector<std::vector<double>> in(kChannels, std::vector<double>(kBlock));
  std::vector<std::vector<double>> out(kChannels, std::vector<double>(kBlock));
  std::mt19937 random(1);
  std::uniform_real_distribution<double> noise(-0.5, 0.5);
  for (auto& channel : in)
    for (auto& sample : channel)
      sample = noise(random);
  std::vector<double*> inPtr, outPtr;
  for (auto& channel : in)
    inPtr.push_back(channel.data());
  for (auto& channel : out)
    outPtr.push_back(channel.data());

  for (auto _ : state) {
    console.ProcessDoubleReplacing(inPtr.data(), outPtr.data(), kBlock);
    benchmark::DoNotOptimize(out[0][0]);
  }
  const double frames = static_cast<double>(state.iterations()) * kBlock;
  state.counters["time_per_frame"] =
      benchmark::Counter(frames, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["realtime_factor"] =
      benchmark::Counter(frames / kSampleRate, benchmark::Counter::kIsRate);
}

void BM_ChainWithoutEditor(benchmark::State& state) {
  RunChain(state, false);
}
void BM_ChainWithEditor(benchmark::State& state) {
  RunChain(state, true);
}

}  // namespace

BENCHMARK(BM_ChainWithoutEditor)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ChainWithEditor)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
