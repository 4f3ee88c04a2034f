// The track chain against the console's intended behaviour, and against a
// plain sample-by-sample model of the same formulas.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <random>
#include <vector>

#include "engine/band_filters.h"
#include "engine/level_meter.h"
#include "engine/oversampler.h"
#include "engine/saturation.h"
#include "plugin/quor.h"
#include "tests/plugin/stub_editor.h"

namespace {

std::atomic<long> gAllocations{0};

constexpr int kChannels = 16;

struct Buffers {
  explicit Buffers(int frames)
      : mIn(kChannels, std::vector<double>(static_cast<std::size_t>(frames))),
        mOut(kChannels, std::vector<double>(static_cast<std::size_t>(frames), 42.)) {
    for (auto& c : mIn)
      mInPtr.push_back(c.data());
    for (auto& c : mOut)
      mOutPtr.push_back(c.data());
  }
  void Noise(unsigned seed, double amplitude = 1.) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> dist(-amplitude, amplitude);
    for (auto& c : mIn)
      for (auto& s : c)
        s = dist(random);
  }
  std::vector<std::vector<double>> mIn, mOut;
  std::vector<double*> mInPtr, mOutPtr;
};

std::unique_ptr<QUOR> MakeConsole(bool withEditor, StubEditor** editor = nullptr) {
  auto console = std::make_unique<QUOR>(QUOR::Editor::kNone);
  if (withEditor) {
    auto stub = std::make_unique<StubEditor>();
    if (editor) *editor = stub.get();
    std::array<int, QUOR::kNumMeters> meters{};
    for (int m = 0; m < QUOR::kNumMeters; ++m)
      meters[static_cast<std::size_t>(m)] = 60 + m;
    console->SetMeterControls(meters);
    console->AttachGraphics(std::move(stub));
  }
  console->SetSampleRate(44100.);
  console->OnParamReset();
  return console;
}

// The chain as the audio thread calls it.
void ProcessAsAudio(QUOR& console, double** inputs, double** outputs, int nFrames) {
  const ThreadRoleScope audio(ThreadRole::kAudio);
  console.ProcessDoubleReplacing(inputs, outputs, nFrames);
}

void SetValue(QUOR& console, int idx, double value) {
  console.GetParam(idx)->Set(value);
  console.OnParamChange(idx);
}

// The chain written out directly from its description, one sample at a time,
// with the slow std::function oversampler path and the one-channel filters.
// `in` and `out` may be the same buffers, as some hosts hand them in.
class ReferenceConsole {
 public:
  // A new console's meters start at full scale, a reset one's at rest.
  explicit ReferenceConsole(double meterStart = 1.) {
    for (auto& o : mOver)
      o = std::make_unique<OverSampler<double>>(k4x, true, 1);
    for (LevelMeter& meter : mVU)
      meter = LevelMeter(meterStart);
  }
  void Process(const QUOR& p, double** in, double** out, int n, double fs, bool meters) {
    const auto v = [&](int idx) { return p.GetParam(idx)->Value(); };
    for (int c = 0; c < 16; ++c) {
      const int t = c / 2;
      mH[c].Calc(fs, v(10 * t));
      mM[c].Calc(fs, 1 - v(10 * t + 1));
      mL[c].Calc(fs, v(10 * t + 2));
    }
    const bool mode1 = static_cast<int>(v(76)) == 1;
    const bool bypassAll = static_cast<int>(v(93)) == 1;
    for (int i = 0; i < n; ++i) {
      double dry[16], ch[16];
      for (int c = 0; c < 16; ++c)
        dry[c] = in[c][i];
      for (int c = 0; c < 16; ++c) {
        const int t = c / 2;
        const double drive = std::pow(10, v(10 * t + 3) / 20);
        const double sat =
            mOver[c]->Process(dry[c] + 1e-10, [drive](double x) { return Saturate(x, drive); });
        double track = dry[c];
        if (static_cast<int>(v(77 + t)) == 0)
          track = mM[c].Process(mL[c].Process(mH[c].Process(sat))) *
                  std::pow(10, v(10 * t + 4) / 20) * 5.7543993733715695;
        ch[c] = static_cast<int>(v(85 + t)) == 0 ? track + (-1e-10) : track * 0;
      }
      if (!mode1) {
        double l = ch[0], r = ch[1];
        if (bypassAll) l = dry[0], r = dry[1];
        for (int c = 2; c < 16; c += 2) {
          l += bypassAll ? dry[c] : ch[c];
          r += bypassAll ? dry[c + 1] : ch[c + 1];
        }
        const double master = bypassAll ? 1. : std::pow(10, v(75) / 20);
        out[0][i] = bypassAll ? l : master * l;
        out[1][i] = bypassAll ? r : master * r;
      } else {
        for (int c = 0; c < 16; ++c)
          out[c][i] = bypassAll ? dry[c] : ch[c];
      }
      if (!meters) continue;
      // Read after the outputs are written: in place, a bypassed track's meter
      // sees what the outputs left in its input buffers.
      for (int t = 0; t < 8; ++t)
        mVU[t].Process(static_cast<int>(v(77 + t)) == 0 ? ch[2 * t] + ch[2 * t + 1]
                                                        : in[2 * t][i] + in[2 * t + 1][i],
                       fs);
      const double gate = mode1 ? 0. : 1.;
      mVU[8].Process(out[0][i] * gate, fs);
      mVU[9].Process(out[1][i] * gate, fs);
    }
    // Mode 0 silences the other outputs once the block is done, so that in
    // place the meters above still read the dry inputs there.
    if (!mode1)
      for (int c = 2; c < 16; ++c)
        std::fill(out[c], out[c] + n, 0.);
  }
  double Meter(int m) const { return mVU[m].State(); }

 private:
  std::unique_ptr<OverSampler<double>> mOver[16];
  HighShelf mH[16];
  MidBell mM[16];
  LowShelf mL[16];
  LevelMeter mVU[10];
};

std::vector<ChainPath> SupportedPaths() {
  std::vector<ChainPath> paths;
  for (const ChainPath path :
       {ChainPath::kScalar, ChainPath::kSse2, ChainPath::kAvx2, ChainPath::kAvx512})
    if (ChainPathSupported(path)) paths.push_back(path);
  return paths;
}

// Every parameter at random; a switch is on with probability 1/4.
void Randomise(QUOR& console, std::mt19937& random) {
  std::uniform_real_distribution<double> unit(0., 1.);
  for (int idx = 0; idx < QUOR::kNumParams; ++idx) {
    const bool isSwitch = idx >= QUOR::kModeIdx;
    console.GetParam(idx)->SetNormalized(isSwitch ? (unit(random) < 0.25 ? 1. : 0.) : unit(random));
    console.OnParamChange(idx);
  }
}

// Block lengths from 1 to 4096, the edges of the chain's chunks among them.
int RandomFrames(std::mt19937& random) {
  static const std::array<int, 10> kEdges = {1, 2, 7, 8, 9, 63, 64, 65, 512, 4096};
  std::uniform_int_distribution<int> pick(0, 19), any(1, 4096);
  const int choice = pick(random);
  return choice < 10 ? kEdges[static_cast<std::size_t>(choice)] : any(random) / (choice % 3 + 1);
}

std::uint64_t Bits(double value) {
  return std::bit_cast<std::uint64_t>(value);
}

// Several blocks through QUOR on `path` and through the plain model, with
// settings (bypass and mute among them) changing between blocks.
void ExpectMatchesPlainModel(ChainPath path, unsigned seed, bool withEditor, double rate,
                             bool inPlace) {
  SCOPED_TRACE(testing::Message() << ChainPathName(path) << " seed " << seed << " editor "
                                  << withEditor << " rate " << rate << " in place " << inPlace);
  std::mt19937 random(seed);
  StubEditor* editor = nullptr;
  auto console = MakeConsole(withEditor, &editor);
  ASSERT_TRUE(console->SetChainPath(path));
  console->SetSampleRate(rate);
  ReferenceConsole reference;
  for (int block = 0; block < 4; ++block) {
    Randomise(*console, random);
    const int frames = RandomFrames(random);
    Buffers ours(frames), theirs(frames);
    ours.Noise(seed * 10 + static_cast<unsigned>(block), 2.);
    theirs.mIn = ours.mIn;
    if (inPlace) ours.mOut = ours.mIn, theirs.mOut = theirs.mIn;
    double** const ourOut = inPlace ? ours.mInPtr.data() : ours.mOutPtr.data();
    double** const theirOut = inPlace ? theirs.mInPtr.data() : theirs.mOutPtr.data();
    ProcessAsAudio(*console, ours.mInPtr.data(), ourOut, frames);
    reference.Process(*console, theirs.mInPtr.data(), theirOut, frames, rate, withEditor);
    for (int c = 0; c < kChannels; ++c)
      for (int i = 0; i < frames; ++i)
        ASSERT_EQ(Bits(ourOut[c][i]), Bits(theirOut[c][i]))
            << "block " << block << " channel " << c << " frame " << i;
    for (int m = 0; m < QUOR::kNumMeters; ++m) {
      ASSERT_EQ(Bits(console->GetMeterState(m)), Bits(reference.Meter(m))) << "meter " << m;
      if (editor) {
        ASSERT_EQ(editor->mControls[60 + static_cast<std::size_t>(m)], reference.Meter(m));
      }
    }
  }
}

}  // namespace

// Counts every allocation of the test binary, in every form that the deletes
// below free: they pair with malloc here.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(size == 0 ? 1 : size);
}
void* operator new(std::size_t size) {
  if (void* p = operator new(size, std::nothrow)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return operator new(size, std::nothrow);
}
void* operator new[](std::size_t size) {
  return operator new(size);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}

TEST(Chain, EveryPathMatchesThePlainModelBitForBit) {
  unsigned seed = 1;
  for (const ChainPath path : SupportedPaths())
    for (const double rate : {44100., 96000.})
      for (const bool withEditor : {false, true})
        ExpectMatchesPlainModel(path, seed++, withEditor, rate, false);
  for (const ChainPath path : SupportedPaths())
    ExpectMatchesPlainModel(path, seed++, true, 48000., true);
}

// The path chosen at start-up is one this processor runs, the fastest of the
// paths timed, and only those it runs were timed.
TEST(Chain, TheChosenPathRanFastest) {
  const ChainPath chosen = FastestChainPath();
  EXPECT_TRUE(ChainPathSupported(chosen));
  const ChainPathTimes& times = MeasuredChainPaths();
  for (const ChainPath path : kChainPaths) {
    const double t = times[static_cast<std::size_t>(path)];
    EXPECT_EQ(t >= 0., ChainPathSupported(path)) << ChainPathName(path);
    if (t >= 0.) {
      EXPECT_LE(times[static_cast<std::size_t>(chosen)], t) << ChainPathName(path);
    }
  }
}

// 32-bit hosts through the binary interface: the inputs widen exactly, the
// model's outputs round to the nearest float.
TEST(Chain, EveryPathMatchesThePlainModelIn32Bit) {
  unsigned seed = 100;
  for (const ChainPath path : SupportedPaths()) {
    SCOPED_TRACE(ChainPathName(path));
    std::mt19937 random(seed++);
    auto console = MakeConsole(true);
    ASSERT_TRUE(console->SetChainPath(path));
    console->SetSampleRate(48000.);
    console->SetBlockSize(4096);
    console->SetInputChannelConnections(0, kChannels, true);
    console->SetOutputChannelConnections(0, kChannels, true);
    ReferenceConsole reference;
    for (int block = 0; block < 4; ++block) {
      Randomise(*console, random);
      const int frames = RandomFrames(random);
      Buffers theirs(frames);
      theirs.Noise(seed * 10 + static_cast<unsigned>(block), 2.);
      std::vector<std::vector<float>> in(kChannels), out(kChannels);
      std::vector<float*> inPtr, outPtr;
      for (int c = 0; c < kChannels; ++c) {
        for (double& sample : theirs.mIn[c]) {
          sample = static_cast<double>(static_cast<float>(sample));
          in[c].push_back(static_cast<float>(sample));
        }
        out[c].assign(static_cast<std::size_t>(frames), 42.f);
        inPtr.push_back(in[c].data());
        outPtr.push_back(out[c].data());
      }
      {
        const ThreadRoleScope audio(ThreadRole::kAudio);
        console->ProcessBlock(inPtr.data(), outPtr.data(), frames, false);
      }
      reference.Process(*console, theirs.mInPtr.data(), theirs.mOutPtr.data(), frames, 48000.,
                        true);
      const int written = console->GetParam(QUOR::kModeIdx)->Int() == 1 ? kChannels : 2;
      for (int c = 0; c < written; ++c)
        for (int i = 0; i < frames; ++i)
          ASSERT_EQ(std::bit_cast<std::uint32_t>(out[c][i]),
                    std::bit_cast<std::uint32_t>(static_cast<float>(theirs.mOut[c][i])))
              << "block " << block << " channel " << c << " frame " << i;
      for (int m = 0; m < QUOR::kNumMeters; ++m)
        ASSERT_EQ(Bits(console->GetMeterState(m)), Bits(reference.Meter(m))) << "meter " << m;
    }
  }
}

// The chain keeps its state laid out alike for every path: switching between
// blocks changes nothing. Nor does a new sample rate between blocks, with or
// without new settings.
TEST(Chain, PathsAndRatesMayChangeBetweenBlocks) {
  std::mt19937 random(7);
  auto console = MakeConsole(true);
  ReferenceConsole reference;
  const std::vector<ChainPath> paths = SupportedPaths();
  double rate = 44100.;
  for (int block = 0; block < 12; ++block) {
    ASSERT_TRUE(console->SetChainPath(paths[static_cast<std::size_t>(block) % paths.size()]));
    if (block % 3 == 0) Randomise(*console, random);
    if (block % 4 == 1) console->SetSampleRate(rate = block < 6 ? 96000. : 32000.);
    const int frames = RandomFrames(random);
    Buffers ours(frames), theirs(frames);
    ours.Noise(static_cast<unsigned>(block), 1.);
    theirs.mIn = ours.mIn;
    ProcessAsAudio(*console, ours.mInPtr.data(), ours.mOutPtr.data(), frames);
    reference.Process(*console, theirs.mInPtr.data(), theirs.mOutPtr.data(), frames, rate, true);
    ASSERT_EQ(ours.mOut, theirs.mOut) << "block " << block;
    for (int m = 0; m < QUOR::kNumMeters; ++m)
      ASSERT_EQ(console->GetMeterState(m), reference.Meter(m)) << "block " << block;
  }
}

// After a host's reset the chain is a new one with the same settings and
// its meters at rest: bit for bit the plain model started afresh.
TEST(Chain, AResetStartsAfreshWithTheSameSettings) {
  std::mt19937 random(21);
  StubEditor* editor = nullptr;
  auto console = MakeConsole(true, &editor);
  Randomise(*console, random);
  Buffers played(4096);
  played.Noise(3, 2.);
  ProcessAsAudio(*console, played.mInPtr.data(), played.mOutPtr.data(), 4096);
  console->Reset();
  for (int m = 0; m < QUOR::kNumMeters; ++m)
    EXPECT_EQ(editor->mControls[60 + static_cast<std::size_t>(m)], 0.) << m;

  ReferenceConsole reference(0.);
  for (int block = 0; block < 3; ++block) {
    const int frames = RandomFrames(random);
    Buffers ours(frames), theirs(frames);
    ours.Noise(static_cast<unsigned>(block), 1.);
    theirs.mIn = ours.mIn;
    ProcessAsAudio(*console, ours.mInPtr.data(), ours.mOutPtr.data(), frames);
    reference.Process(*console, theirs.mInPtr.data(), theirs.mOutPtr.data(), frames, 44100., true);
    ASSERT_TRUE(ours.mOut == theirs.mOut) << "block " << block;
    for (int m = 0; m < QUOR::kNumMeters; ++m)
      ASSERT_EQ(Bits(console->GetMeterState(m)), Bits(reference.Meter(m))) << "meter " << m;
  }
}

TEST(Chain, ModeOneSeparatesChannelsAndIgnoresMasterGain) {
  StubEditor* editor = nullptr;
  auto console = MakeConsole(true, &editor);
  SetValue(*console, QUOR::kModeIdx, 1);
  SetValue(*console, QUOR::kMasterOutputIdx, -24);
  Buffers buffers(44100);
  buffers.mIn[7].assign(44100, 0.01);  // track 4 right only
  ProcessAsAudio(*console, buffers.mInPtr.data(), buffers.mOutPtr.data(), 44100);
  EXPECT_NEAR(buffers.mOut[7].back(),
              -0.01 * 0.196832 * -0.99998 * -0.99998 * -0.99998 * 5.7543993733715695, 1e-4);
  EXPECT_NEAR(buffers.mOut[6].back(), 0., 1e-9);
  EXPECT_LT(console->GetMeterState(8), 1e-6);  // master meters fall toward 0
  EXPECT_LT(console->GetMeterState(9), 1e-6);
  EXPECT_GT(editor->mControls[63], 0.);  // track 4's meter shows the signal
}

TEST(Chain, BypassAndMute) {
  StubEditor* editor = nullptr;
  auto console = MakeConsole(true, &editor);
  Buffers buffers(8);
  for (int c = 0; c < kChannels; ++c)
    buffers.mIn[c].assign(8, c == 2 ? 0.25 : c == 3 ? 0.5 : 0.);
  SetValue(*console, QUOR::BypassIdx(1), 1);
  ProcessAsAudio(*console, buffers.mInPtr.data(), buffers.mOutPtr.data(), 8);
  // Track 2 contributes its dry input less the offset; the others their tiny processed noise.
  EXPECT_NEAR(buffers.mOut[0][7], 0.25, 1e-8);
  EXPECT_NEAR(buffers.mOut[1][7], 0.5, 1e-8);
  EXPECT_GT(console->GetMeterState(1), 0.7);  // the dry pair 0.75 feeds the meter

  SetValue(*console, QUOR::MuteIdx(1), 1);
  ProcessAsAudio(*console, buffers.mInPtr.data(), buffers.mOutPtr.data(), 8);
  EXPECT_NEAR(buffers.mOut[0][7], 0., 1e-8);
  const double meterBypassed = console->GetMeterState(1);
  EXPECT_GT(meterBypassed, 0.7);  // bypassed and muted: the meter still reads the dry pair

  SetValue(*console, QUOR::BypassIdx(1), 0);
  for (int i = 0; i < 20; ++i)
    ProcessAsAudio(*console, buffers.mInPtr.data(), buffers.mOutPtr.data(), 8);
  EXPECT_LT(console->GetMeterState(1), meterBypassed);  // muted and processed: it reads 0
}

TEST(Chain, GlobalBypassGivesDryResults) {
  auto console = MakeConsole(false);
  SetValue(*console, QUOR::kGlobalBypassIdx, 1);
  SetValue(*console, QUOR::kMasterOutputIdx, 12);
  Buffers buffers(64);
  buffers.Noise(5);
  ProcessAsAudio(*console, buffers.mInPtr.data(), buffers.mOutPtr.data(), 64);
  for (int i = 0; i < 64; ++i) {
    double left = buffers.mIn[0][i], right = buffers.mIn[1][i];
    for (int c = 2; c < kChannels; c += 2)
      left += buffers.mIn[c][i], right += buffers.mIn[c + 1][i];
    EXPECT_EQ(buffers.mOut[0][i], left);
    EXPECT_EQ(buffers.mOut[1][i], right);
  }
  EXPECT_EQ(buffers.mOut[2][0], 0.);  // Mode 0 silences outputs 2 to 15
}

TEST(Chain, MetersStandStillWithoutAnEditor) {
  auto console = MakeConsole(false);
  Buffers buffers(512);
  buffers.Noise(8);
  ProcessAsAudio(*console, buffers.mInPtr.data(), buffers.mOutPtr.data(), 512);
  for (int m = 0; m < QUOR::kNumMeters; ++m)
    EXPECT_EQ(console->GetMeterState(m), 1.);
}

TEST(Chain, ProcessingAndResettingAllocateNothing) {
  const std::vector<ChainPath> paths = SupportedPaths();
  auto console = MakeConsole(true);
  Buffers buffers(512);
  buffers.Noise(9);
  ProcessAsAudio(*console, buffers.mInPtr.data(), buffers.mOutPtr.data(), 512);
  const long before = gAllocations.load();
  for (const ChainPath path : paths) {
    console->SetChainPath(path);
    ProcessAsAudio(*console, buffers.mInPtr.data(), buffers.mOutPtr.data(), 512);
    SetValue(*console, 3, 6.);
    SetValue(*console, QUOR::BypassIdx(2), 1.);
    ProcessAsAudio(*console, buffers.mInPtr.data(), buffers.mOutPtr.data(), 0);
    ProcessAsAudio(*console, buffers.mInPtr.data(), buffers.mOutPtr.data(), 37);
    console->Reset();  // nor does a reset, which a host may make at any time
  }
  EXPECT_EQ(gAllocations.load(), before);
}

TEST(Chain, GainMappingAndUnusedIndices) {
  auto console = MakeConsole(false);
  SetValue(*console, QUOR::kModeIdx, 1);
  Buffers silent(1);
  Buffers before(2000), after(2000);
  before.Noise(3, 0.1);
  after.mIn = before.mIn;
  // Writing an unnamed index changes nothing audible.
  auto twin = MakeConsole(false);
  SetValue(*twin, QUOR::kModeIdx, 1);
  SetValue(*twin, 5, 1.);
  SetValue(*twin, 69, 1.);
  ProcessAsAudio(*console, before.mInPtr.data(), before.mOutPtr.data(), 2000);
  ProcessAsAudio(*twin, after.mInPtr.data(), after.mOutPtr.data(), 2000);
  EXPECT_EQ(before.mOut, after.mOut);
  EXPECT_EQ(std::pow(10., -24. / 20.), 0.06309573444801933);
  EXPECT_EQ(std::pow(10., 24. / 20.), 15.848931924611133);
}

TEST(Chain, EmptyBlocksReadAndWriteNothing) {
  auto console = MakeConsole(true);
  std::vector<double*> none(kChannels, nullptr);
  ProcessAsAudio(*console, none.data(), none.data(), 0);
  ProcessAsAudio(*console, none.data(), none.data(), -4);
  for (int m = 0; m < QUOR::kNumMeters; ++m)
    EXPECT_EQ(console->GetMeterState(m), 1.);
}
