// A long session, offline and sped up: audio in both precisions with random
// automation, and every few seconds a state restore, a new sample rate, a
// new block size or a new channel layout. The output stays finite and the
// resident memory flat. QUOR_SOAK_SECONDS sets the seconds of audio: CI runs
// half a minute's worth, scripts/soak an hour's.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <utility>
#include <vector>

#include "tests/plugin/loaded_plugin.h"

namespace {

constexpr int kChannels = 16;
constexpr int kMaxBlock = 4096;
constexpr double kSampleRates[] = {22050., 44100., 48000., 88200., 96000., 192000.};

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kMeasuresMemory = false;  // the sanitizers keep freed memory on purpose
#else
constexpr bool kMeasuresMemory = true;
#endif

long ResidentBytes() {
  long pages = 0, resident = 0;
  if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(statm);
  }
  return resident * sysconf(_SC_PAGESIZE);
}

double SoakSeconds() {
  const char* text = std::getenv("QUOR_SOAK_SECONDS");
  return text ? std::atof(text) : 30.;
}

class Session {
 public:
  Session() : mRandom(2024) {
    mPlug.Dispatch(effOpen);
    Restart(48000., 512);
    mSaved.push_back({true, Save(true)});
  }

  // One block, in a random precision, with some automation before it.
  void Block() {
    for (int n = Pick(0, 3); n > 0; --n)
      mPlug.Set(Pick(0, 93), Unit());
    char text[64];
    mPlug.Dispatch(effGetParamDisplay, Pick(0, 93), 0, text);
    const int frames = Pick(0, 7) == 0 ? Pick(1, mBlockSize) : mBlockSize;
    switch (Pick(0, 2)) {
      case 0:
        Run(mDouble, frames, [&](double** in, double** out) {
          mPlug->processDoubleReplacing(mPlug.Effect(), in, out, frames);
        });
        break;
      case 1:
        Run(mFloat, frames, [&](float** in, float** out) {
          mPlug->processReplacing(mPlug.Effect(), in, out, frames);
        });
        break;
      default:
        Run(mFloat, frames,
            [&](float** in, float** out) { mPlug->process(mPlug.Effect(), in, out, frames); });
    }
    mFrames += frames;
    mSeconds += frames / mSampleRate;
  }

  // What a host does now and then while a session runs.
  void Event() {
    switch (Pick(0, 4)) {
      case 0:
        Restart(kSampleRates[Pick(0, 5)], mBlockSize);
        break;
      case 1:
        Restart(mSampleRate, Pick(16, kMaxBlock));
        break;
      case 2: {
        if (mSaved.size() < 8) {
          const bool isPreset = Pick(0, 1) == 0;
          mSaved.push_back({isPreset, Save(isPreset)});
        }
        auto [isPreset, chunk] =
            mSaved[static_cast<std::size_t>(Pick(0, static_cast<int>(mSaved.size()) - 1))];
        ASSERT_EQ(mPlug.Dispatch(effSetChunk, isPreset ? 1 : 0,
                                 static_cast<VstIntPtr>(chunk.size()), chunk.data()),
                  1);
        break;
      }
      case 3: {
        mConnected = Pick(0, 1) ? kChannels : 2;
        VstSpeakerArrangement arrangement{};
        arrangement.numChannels = mConnected;
        mPlug.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&arrangement),
                       &arrangement);
        break;
      }
      default:
        (void)Save(true);
        (void)Save(false);
    }
  }

  double Seconds() const { return mSeconds; }
  long Frames() const { return mFrames; }
  int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(mRandom); }

 private:
  template <typename Sample>
  struct Buffers {
    Buffers() : mIn(kChannels, std::vector<Sample>(kMaxBlock)), mOut(mIn) {}
    std::vector<std::vector<Sample>> mIn, mOut;
    std::vector<Sample*> mInPtr, mOutPtr;
  };

  float Unit() { return std::uniform_real_distribution<float>(0.f, 1.f)(mRandom); }

  void Restart(double sampleRate, int blockSize) {
    mSampleRate = sampleRate;
    mBlockSize = blockSize;
    mPlug.Dispatch(effMainsChanged, 0, 0);
    mPlug.Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    mPlug.Dispatch(effSetBlockSize, 0, blockSize);
    mPlug.Dispatch(effMainsChanged, 0, 1);
  }

  std::vector<std::uint8_t> Save(bool isPreset) {
    void* data = nullptr;
    const VstIntPtr size = mPlug.Dispatch(effGetChunk, isPreset ? 1 : 0, 0, &data);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return {bytes, bytes + size};
  }

  // Sines at a level that moves, on every channel, sometimes in place.
  template <typename Sample, typename Process>
  void Run(Buffers<Sample>& buffers, int frames, Process process) {
    const bool inPlace = Pick(0, 9) == 0;
    buffers.mInPtr.clear();
    buffers.mOutPtr.clear();
    for (int c = 0; c < mConnected; ++c) {
      auto& in = buffers.mIn[static_cast<std::size_t>(c)];
      auto& out = buffers.mOut[static_cast<std::size_t>(c)];
      const double level = 0.5 + 0.5 * std::sin(static_cast<double>(mFrames) * 1e-5 + c);
      for (int i = 0; i < frames; ++i)
        in[static_cast<std::size_t>(i)] = static_cast<Sample>(
            level * std::sin(static_cast<double>(mFrames + i) * (0.01 + 0.003 * c)));
      std::fill_n(out.begin(), frames, Sample{0});
      buffers.mInPtr.push_back(in.data());
      buffers.mOutPtr.push_back(inPlace ? in.data() : out.data());
    }
    process(buffers.mInPtr.data(), buffers.mOutPtr.data());
    for (Sample* out : buffers.mOutPtr)
      for (int i = 0; i < frames; ++i)
        ASSERT_TRUE(std::isfinite(out[i])) << "after " << Seconds() << " s";
  }

  LoadedPlugin mPlug;
  std::mt19937 mRandom;
  Buffers<double> mDouble;
  Buffers<float> mFloat;
  std::vector<std::pair<bool, std::vector<std::uint8_t>>> mSaved;  // program?, chunk
  double mSampleRate = 48000.;
  int mBlockSize = 512;
  int mConnected = kChannels;
  long mFrames = 0;
  double mSeconds = 0.;
};

}  // namespace

TEST(Soak, LongSessionStaysFiniteAndFlat) {
  const double seconds = SoakSeconds();
  Session session;
  long baseline = 0, peakAfterBaseline = 0;
  int events = 0;
  double nextEvent = 2.;
  while (session.Seconds() < seconds) {
    session.Block();
    if (::testing::Test::HasFatalFailure()) return;
    if (session.Seconds() < nextEvent) continue;
    session.Event();
    if (::testing::Test::HasFatalFailure()) return;
    ++events;
    nextEvent = session.Seconds() + session.Pick(2, 5);
    // Memory settles once every kind of event has happened a few times.
    if (baseline == 0 && session.Seconds() >= seconds / 4) baseline = ResidentBytes();
    if (baseline != 0) peakAfterBaseline = std::max(peakAfterBaseline, ResidentBytes());
  }
  std::printf("soak: %.0f s of audio, %ld frames, %d events, resident %ld KB then at most %ld KB\n",
              session.Seconds(), session.Frames(), events, baseline / 1024,
              peakAfterBaseline / 1024);
  if (kMeasuresMemory) {
    EXPECT_LT(peakAfterBaseline - baseline, 2L << 20);
  }
}
