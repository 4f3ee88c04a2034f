// Which path runs the chain: every path gives the same bits, so the choice is
// speed alone, and the widest instruction set is not always the fastest (half-
// rate wide vectors, slow wide loads, a core that clocks down). Each path this
// processor has runs a short block of noise a few times over, once per
// process, and the fastest wins: under a millisecond, at the first instance.
#include <array>
#include <chrono>
#include <memory>
#include <random>

#include "engine/band_filters.h"
#include "engine/level_meter.h"
#include "plugin/track_chain_paths.h"
#include "plugin/track_lanes.h"

namespace {

constexpr int kFrames = TrackChainState::kChunk;
constexpr int kRounds = 8;

// A console at its neutral settings, meters moving, on 48 kHz noise.
struct TrialConsole {
  TrialConsole() {
    std::mt19937 random(1);
    std::uniform_real_distribution<double> noise(-0.5, 0.5);
    for (int c = 0; c < TrackChainState::kChannels; ++c) {
      for (double& sample : in[static_cast<std::size_t>(c)])
        sample = noise(random);
      inputs[static_cast<std::size_t>(c)] = in[static_cast<std::size_t>(c)].data();
      outputs[static_cast<std::size_t>(c)] = out[static_cast<std::size_t>(c)].data();
      HighShelf high;
      MidBell mid;
      LowShelf low;
      high.Calc(48000., 0.5);
      mid.Calc(48000., 0.5);
      low.Calc(48000., 0.5);
      state->bands.SetCoefficients(TrackChainState::kHighBand, c, high);
      state->bands.SetCoefficients(TrackChainState::kMidBand, c, mid);
      state->bands.SetCoefficients(TrackChainState::kLowBand, c, low);
      state->drive[c] = 1.;
      state->outAmp[c] = 1.;
      state->bypassOff[c] = state->muteOff[c] = ~std::uint64_t{0};
    }
    block.inputs = inputs.data();
    block.outputs = outputs.data();
    block.frames = kFrames;
    block.masterAmp = 1.;
    block.meterCoefficient = MeterCoefficient(48000.);
    block.meters = true;
  }

  std::unique_ptr<TrackChainState> state = std::make_unique<TrackChainState>();
  TrackChainBlock block{};
  std::array<std::array<double, kFrames>, TrackChainState::kChannels> in{}, out{};
  std::array<double*, TrackChainState::kChannels> inputs{}, outputs{};
};

ChainPathTimes Measure() {
  ChainPathTimes times{};
  times.fill(-1.);
  TrialConsole console;
  // Rounds over all paths, so that a busy moment of the machine spoils one
  // round of each rather than all of one; the best round counts.
  for (int round = 0; round < kRounds; ++round) {
    for (const ChainPath path : kChainPaths) {
      if (!ChainPathSupported(path)) continue;
      const TrackChainRunner run = ChainRunner(path);
      const auto start = std::chrono::steady_clock::now();
      run(*console.state, console.block);
      const std::chrono::duration<double, std::nano> took =
          std::chrono::steady_clock::now() - start;
      double& best = times[static_cast<std::size_t>(path)];
      const double perFrame = took.count() / kFrames;
      // The first round pays for the code and the state reaching the caches.
      if (round > 0 && (best < 0. || perFrame < best)) best = perFrame;
    }
  }
  return times;
}

}  // namespace

const ChainPathTimes& MeasuredChainPaths() {
  static const ChainPathTimes times = Measure();
  return times;
}

ChainPath FastestChainPath() {
  static const ChainPath fastest = [] {
    const ChainPathTimes& times = MeasuredChainPaths();
    ChainPath best = ChainPath::kSse2;
    for (const ChainPath path : kChainPaths) {
      const double t = times[static_cast<std::size_t>(path)];
      if (t >= 0. && t < times[static_cast<std::size_t>(best)]) best = path;
    }
    return best;
  }();
  return fastest;
}
