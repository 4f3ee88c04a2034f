// The whole console on sixteen channels of 48 kHz noise, called as a host
// calls it (through the effect record, with the plug-in's lock and the
// framework's buffer binding and sample conversion): time per frame and
// seconds of audio per second of one core, for every instruction-set path
// this processor runs, 64- and 32-bit samples, blocks of 512 and 32 frames,
// with QUOR's own editor (its meters moving) and without one. Beside it, in
// the same run, a peer: eight stereo instances of LSP's parametric equaliser
// with three bands in 32-bit float, loaded through their VST 2.4 entry point,
// on the same frames. The summary at the end gives the ratios.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/plugin/hosted_plugin.h"
#include "plugin/quor.h"
#include "vst2/entry_point.h"
#include "vst2/ieffect_vst2.h"

namespace {

constexpr int kChannels = 16;
constexpr double kSampleRate = 48000.;
constexpr const char* kPeerPath = "/usr/lib/vst/lsp-plugins/para-equalizer-x16-stereo.so";
constexpr int kPeerInstances = kChannels / 2;

// Host-side buffers of one sample type, the same noise for every case.
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

void CountFrames(benchmark::State& state, int block) {
  const double frames = static_cast<double>(state.iterations()) * block;
  state.counters["time_per_frame"] =
      benchmark::Counter(frames, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["realtime_factor"] =
      benchmark::Counter(frames / kSampleRate, benchmark::Counter::kIsRate);
}

struct Case {
  ChainPath path;
  bool doublePrecision;
  int block;
  bool withEditor;
};

std::string NameOf(const Case& c) {
  return std::string("Chain/") + ChainPathName(c.path) +
         (c.doublePrecision ? "/64-bit" : "/32-bit") + "/block:" + std::to_string(c.block) +
         (c.withEditor ? "/editor" : "/no-editor");
}

std::string PeerName(int block) {
  return "Peer/LSP-equaliser-3-bands-x8/32-bit/block:" + std::to_string(block);
}

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
  CountFrames(state, c.block);
  close();
}

// One equaliser per stereo pair: a high shelf, a low shelf and a bell, each
// lifting by 7.2 dB, the other thirteen bands off.
std::unique_ptr<HostedPlugin> MakePeer(int block) {
  auto peer = std::make_unique<HostedPlugin>(kPeerPath, kSampleRate, block);
  struct Band {
    const char* type;
    float frequency;  // normalised: 5060, 225 and 1247 Hz
  };
  constexpr Band kBands[] = {{"Hi-shel", 0.8f}, {"Lo-shel", 0.4f}, {"Bell", 0.62f}};
  AEffect* const effect = peer->Effect();
  for (int b = 0; b < 3; ++b) {
    const std::string n = std::to_string(b);
    const int frequency = peer->FindParam("f_" + n);
    const int gain = peer->FindParam("g_" + n);
    if (!peer->SetDisplayed("ft_" + n, kBands[b].type) || frequency < 0 || gain < 0)
      throw std::runtime_error("the equaliser lacks its band parameters");
    effect->setParameter(effect, frequency, kBands[b].frequency);
    effect->setParameter(effect, gain, 0.6f);
  }
  return peer;
}

void RunPeer(benchmark::State& state, int block) {
  std::vector<std::unique_ptr<HostedPlugin>> peers;
  try {
    for (int i = 0; i < kPeerInstances; ++i)
      peers.push_back(MakePeer(block));
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
    return;
  }
  HostBuffers<float> floats(block);
  for (auto _ : state) {
    for (int i = 0; i < kPeerInstances; ++i) {
      AEffect* const effect = peers[static_cast<std::size_t>(i)]->Effect();
      effect->processReplacing(effect, floats.inPtr.data() + 2 * i, floats.outPtr.data() + 2 * i,
                               block);
    }
    benchmark::DoNotOptimize(floats.out[0][0]);
  }
  CountFrames(state, block);
}

// The console reporter, keeping each case's best time per frame.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  // Colours only on a terminal.
  SummaryReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Color : OO_None) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
      const auto counter = run.counters.find("time_per_frame");
      if (counter == run.counters.end()) continue;
      const std::string name = run.run_name.function_name;
      const double seconds = counter->second.value;
      const auto found = mBest.find(name);
      if (found == mBest.end() || seconds < found->second) mBest[name] = seconds;
    }
  }
  // Nanoseconds per frame, or 0 when the case did not run.
  double Best(const std::string& name) const {
    const auto found = mBest.find(name);
    return found == mBest.end() ? 0. : found->second * 1e9;
  }

 private:
  std::map<std::string, double> mBest;
};

void PrintSummary(const SummaryReporter& report) {
  const auto factor = [](double ns) { return ns > 0. ? 1e9 / ns / kSampleRate : 0.; };
  std::printf("\nBest of the runs, 64-bit, QUOR's editor closed (meters moving):\n");
  std::printf("  %-8s %10s %8s %10s %8s   (ns per frame, x real time)\n", "path", "block 512", "",
              "block 32", "");
  ChainPath widest = ChainPath::kScalar;
  for (const ChainPath path : kChainPaths) {
    if (!ChainPathSupported(path)) continue;
    widest = path;
    const double t512 = report.Best(NameOf({path, true, 512, true}));
    const double t32 = report.Best(NameOf({path, true, 32, true}));
    std::printf("  %-8s %10.1f %7.1fx %10.1f %7.1fx\n", ChainPathName(path), t512, factor(t512),
                t32, factor(t32));
  }
  const ChainPath chosen = FastestChainPath();
  std::printf("  chosen at start-up: %s (measured ns per frame:", ChainPathName(chosen));
  for (const ChainPath path : kChainPaths)
    if (MeasuredChainPaths()[static_cast<std::size_t>(path)] >= 0.)
      std::printf(" %s %.0f", ChainPathName(path),
                  MeasuredChainPaths()[static_cast<std::size_t>(path)]);
  std::printf(")\n");
  for (const int block : {512, 32}) {
    const double peer = report.Best(PeerName(block));
    const double quor = report.Best(NameOf({chosen, true, block, true}));
    if (peer > 0. && quor > 0.)
      std::printf(
          "  block %3d: LSP's eight 3-band equalisers %.1f ns per frame (%.1fx), QUOR %s %.1f "
          "(%.1fx): ratio %.2f\n",
          block, peer, factor(peer), ChainPathName(chosen), quor, factor(quor), peer / quor);
    else
      std::printf("  block %3d: no ratio (%s not measured)\n", block, kPeerPath);
  }
  if (widest != ChainPath::kAvx2 && ChainPathSupported(ChainPath::kAvx2)) {
    const double avx2 = report.Best(NameOf({ChainPath::kAvx2, true, 512, true}));
    const double wide = report.Best(NameOf({widest, true, 512, true}));
    if (avx2 > 0. && wide > 0.)
      std::printf("  AVX2 takes %.2f times as long as %s\n", avx2 / wide, ChainPathName(widest));
  }
}

}  // namespace

int main(int argc, char** argv) {
  for (const ChainPath path :
       {ChainPath::kAvx512, ChainPath::kAvx2, ChainPath::kSse2, ChainPath::kScalar}) {
    for (const bool doublePrecision : {true, false}) {
      for (const int block : {512, 32}) {
        for (const bool withEditor : {true, false}) {
          const Case c{path, doublePrecision, block, withEditor};
          benchmark::RegisterBenchmark(NameOf(c).c_str(), RunChain, c)
              ->Unit(benchmark::kMicrosecond);
        }
      }
    }
  }
  for (const int block : {512, 32})
    benchmark::RegisterBenchmark(PeerName(block).c_str(), RunPeer, block)
        ->Unit(benchmark::kMicrosecond);

  // A few rounds, the cases shuffled: a busy spell of a shared machine then
  // spoils one round of several cases rather than every round of one. Given
  // options come later and win.
  std::vector<char*> args(argv, argv + argc);
  char repetitions[] = "--benchmark_repetitions=3";
  char interleaving[] = "--benchmark_enable_random_interleaving=true";
  args.insert(args.begin() + 1, {repetitions, interleaving});
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
  SummaryReporter report;
  benchmark::RunSpecifiedBenchmarks(&report);
  PrintSummary(report);
  benchmark::Shutdown();
  return 0;
}
