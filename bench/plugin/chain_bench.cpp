// The whole console on sixteen channels of 48 kHz noise, called as a host
// calls it (through the effect record, with the plug-in's lock and the
// framework's buffer binding and sample conversion): time per frame and
// seconds of audio per second of one core, for every instruction-set path
// this processor runs, 64- and 32-bit samples, blocks of 512 and 32 frames,
// with QUOR's own editor (its meters moving) and without one.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "plugin/quor.h"
#include "vst2/entry_point.h"
#include "vst2/ieffect_vst2.h"

namespace {

constexpr int kChannels = 16;
constexpr double kSampleRate = 48000.;

// Host-side buffers of one sample type.
template <typename Sample>
struct HostBuffers {
  explicit HostBuffers(int block)
      : in(kChannels, std::vector<Sample>(static_cast<std::size_t>(block))),
        out(kChannels, std::vector<Sample>(static_cast<std::size_t>(block))) {
    std::mt19937 random(1);
    std::uniform_real_distribution<double> noise(-0.5, 0.5);
    for (auto& channel : in)
      for (auto& sample : channel)
        sample = static_cast<Sample>(noise(random));
    for (auto& channel : in)
      inPtr.push_back(channel.data());
    for (auto& channel : out)
      outPtr.push_back(channel.data());
  }
  std::vector<std::vector<Sample>> in, out;
  std::vector<Sample*> inPtr, outPtr;
};

struct Case {
  ChainPath path;
  bool doublePrecision;
  int block;
  bool withEditor;
};

void RunChain(benchmark::State& state, Case c) {
  const QUOR::Editor editor = c.withEditor ? QUOR::Editor::kWindowed : QUOR::Editor::kNone;
  AEffect* const effect =
      InstantiateVST2([editor] { return std::make_unique<QUOR>(editor); }, nullptr);
  const auto close = [effect] { effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.f); };
  auto* console = static_cast<QUOR*>(IEffectVST2::PluginOf(effect));
  if (!console->SetChainPath(c.path)) {
    close();
    state.SkipWithError("this processor lacks the instruction set");
    return;
  }
  console->SetSampleRate(kSampleRate);
  console->SetBlockSize(c.block);
  console->OnParamReset();

  HostBuffers<double> doubles(c.doublePrecision ? c.block : 0);
  HostBuffers<float> floats(c.doublePrecision ? 0 : c.block);
  for (auto _ : state) {
    if (c.doublePrecision) {
      effect->processDoubleReplacing(effect, doubles.inPtr.data(), doubles.outPtr.data(), c.block);
      benchmark::DoNotOptimize(doubles.out[0][0]);
    } else {
      effect->processReplacing(effect, floats.inPtr.data(), floats.outPtr.data(), c.block);
      benchmark::DoNotOptimize(floats.out[0][0]);
    }
  }
  const double frames = static_cast<double>(state.iterations()) * c.block;
  state.counters["time_per_frame"] =
      benchmark::Counter(frames, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["realtime_factor"] =
      benchmark::Counter(frames / kSampleRate, benchmark::Counter::kIsRate);
  close();
}

}  // namespace

int main(int argc, char** argv) {
  for (const ChainPath path :
       {ChainPath::kAvx512, ChainPath::kAvx2, ChainPath::kSse2, ChainPath::kScalar}) {
    for (const bool doublePrecision : {true, false}) {
      for (const int block : {512, 32}) {
        for (const bool withEditor : {true, false}) {
          const std::string name = std::string("Chain/") + ChainPathName(path) +
                                   (doublePrecision ? "/64-bit" : "/32-bit") +
                                   "/block:" + std::to_string(block) +
                                   (withEditor ? "/editor" : "/no-editor");
          benchmark::RegisterBenchmark(name.c_str(), RunChain,
                                       Case{path, doublePrecision, block, withEditor})
              ->Unit(benchmark::kMicrosecond);
        }
      }
    }
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
