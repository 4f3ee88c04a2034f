// Cost per input sample of the engine blocks as the track chain uses them.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "engine/band_filters.h"
#include "engine/level_meter.h"
#include "engine/oversampler.h"
#include "engine/saturation.h"

namespace {

constexpr std::size_t kBlock = 1024;

std::vector<double> Noise() {
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> dist(-1.0, 1.0);
  std::vector<double> samples(kBlock);
  for (double& s : samples)
    s = dist(rng);
  return samples;
}

// Runs one block per iteration; the outputs are kept so nothing is optimised away.
void RunPerSample(benchmark::State& state, auto&& perSample) {
  const std::vector<double> input = Noise();
  std::vector<double> output(kBlock);
  for (auto _ : state) {
    for (std::size_t i = 0; i < kBlock; ++i)
      output[i] = perSample(input[i]);
    benchmark::ClobberMemory();
  }
  benchmark::DoNotOptimize(output.data());
  state.counters["ns/sample"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * static_cast<double>(kBlock),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_Saturate(benchmark::State& state) {
  double drive = 1.7;
  benchmark::DoNotOptimize(drive);
  RunPerSample(state, [drive](double x) { return Saturate(x, drive); });
}
BENCHMARK(BM_Saturate);

void BM_OverSampler4xSaturate(benchmark::State& state) {
  OverSampler<double> os(k4x, true, 1);
  double drive = 1.7;
  benchmark::DoNotOptimize(drive);
  RunPerSample(state, [&](double x) {
    return os.ProcessWith(x, [&drive](double s) { return Saturate(s, drive); });
  });
}
BENCHMARK(BM_OverSampler4xSaturate);

void BM_OverSampler4xSaturateFunction(benchmark::State& state) {
  OverSampler<double> os(k4x, true, 1);
  double drive = 1.7;
  benchmark::DoNotOptimize(drive);
  const std::function<double(double)> func = [&drive](double s) { return Saturate(s, drive); };
  RunPerSample(state, [&](double x) { return os.Process(x, func); });
}
BENCHMARK(BM_OverSampler4xSaturateFunction);

void BM_ThreeBandFilters(benchmark::State& state) {
  HighShelf high;
  MidBell mid;
  LowShelf low;
  high.Calc(44100.0, 0.7);
  mid.Calc(44100.0, 0.4);
  low.Calc(44100.0, 0.6);
  RunPerSample(state, [&](double x) { return mid.Process(low.Process(high.Process(x))); });
}
BENCHMARK(BM_ThreeBandFilters);

void BM_LevelMeter(benchmark::State& state) {
  LevelMeter meter(1.0);
  RunPerSample(state, [&](double x) { return meter.Process(x, 44100.0); });
}
BENCHMARK(BM_LevelMeter);

}  // namespace
