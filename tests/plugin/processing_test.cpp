// Audio through the effect record: 64- and 32-bit, any block length.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "tests/plugin/loaded_plugin.h"

namespace {

constexpr int kChannels = 16;

template <typename Sample>
void FillNoise(HostChannels<Sample>& buffers, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> amplitude(-1., 1.);
  for (auto& channel : buffers.mData)
    for (auto& sample : channel)
      sample = static_cast<Sample>(amplitude(random));
}

void OpenAt(const LoadedPlugin& plug, float sampleRate, int blockSize) {
  plug.Dispatch(effOpen);
  plug.Dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
  plug.Dispatch(effSetBlockSize, 0, blockSize);
  plug.Dispatch(effMainsChanged, 0, 1);
}

}  // namespace

TEST(Processing, GlobalBypassInModeOneCopiesEveryChannel) {
  LoadedPlugin plug;
  OpenAt(plug, 48000.f, 256);
  plug.Set(76, 1.f);  // Mode 1
  plug.Set(93, 1.f);  // Global Bypass
  HostChannels<double> in(kChannels, 256), out(kChannels, 256);
  FillNoise(in, 1);
  plug->processDoubleReplacing(plug.Effect(), in.Pointers(), out.Pointers(), 256);
  EXPECT_EQ(out.mData, in.mData);

  HostChannels<float> fin(kChannels, 256), fout(kChannels, 256);
  FillNoise(fin, 2);
  plug->processReplacing(plug.Effect(), fin.Pointers(), fout.Pointers(), 256);
  EXPECT_EQ(fout.mData, fin.mData);
}

TEST(Processing, LongFloatBlocksRunInPiecesAndMatchDoubleProcessing) {
  constexpr int kFrames = 1000;
  LoadedPlugin single, pieces;
  OpenAt(single, 48000.f, kFrames);
  OpenAt(pieces, 48000.f, 64);  // a host that then passes more than it announced
  for (const LoadedPlugin* plug : {&single, &pieces}) {
    plug->Set(3, 0.8f);
    plug->Set(21, 0.9f);
    plug->Set(76, 1.f);
  }
  HostChannels<float> in(kChannels, kFrames), out(kChannels, kFrames);
  FillNoise(in, 3);
  pieces->processReplacing(pieces.Effect(), in.Pointers(), out.Pointers(), kFrames);

  HostChannels<double> din(kChannels, kFrames), dout(kChannels, kFrames);
  for (int c = 0; c < kChannels; ++c)
    for (int i = 0; i < kFrames; ++i)
      din.mData[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)] =
          static_cast<double>(in.mData[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)]);
  single->processDoubleReplacing(single.Effect(), din.Pointers(), dout.Pointers(), kFrames);
  for (int c = 0; c < kChannels; ++c)
    for (int i = 0; i < kFrames; ++i)
      ASSERT_EQ(
          out.mData[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)],
          static_cast<float>(dout.mData[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)]))
          << c << " " << i;
}

TEST(Processing, AccumulatingAddsToTheHostsBuffers) {
  LoadedPlugin plug;
  OpenAt(plug, 48000.f, 16);
  plug.Set(76, 1.f);
  plug.Set(93, 1.f);
  HostChannels<float> in(kChannels, 16), out(kChannels, 16);
  for (auto& channel : in.mData)
    channel.assign(16, 0.5f);
  for (auto& channel : out.mData)
    channel.assign(16, 0.25f);
  plug->process(plug.Effect(), in.Pointers(), out.Pointers(), 16);
  EXPECT_EQ(out.mData[9][5], 0.75f);
}

TEST(Processing, HostileCallsDoNotCrash) {
  LoadedPlugin plug;
  OpenAt(plug, 48000.f, 64);
  HostChannels<float> in(kChannels, 64), out(kChannels, 64);
  plug->processReplacing(plug.Effect(), nullptr, out.Pointers(), 64);
  plug->processReplacing(plug.Effect(), in.Pointers(), out.Pointers(), 0);
  plug->processReplacing(plug.Effect(), in.Pointers(), out.Pointers(), -5);
  in.mPointers[3] = nullptr;
  plug->processReplacing(plug.Effect(), in.Pointers(), out.Pointers(), 64);
  plug.Dispatch(effSetBlockSize, 0, -1);
  HostChannels<float> in2(kChannels, 64);
  plug->processReplacing(plug.Effect(), in2.Pointers(), out.Pointers(), 64);
  EXPECT_EQ(out.mData[0][0], 0.f);
  // Non-finite input once: the output may be anything, the plug-in must live on.
  plug.Dispatch(effSetBlockSize, 0, 64);
  HostChannels<double> din(kChannels, 64), dout(kChannels, 64);
  din.mData[0][0] = std::numeric_limits<double>::infinity();
  din.mData[1][0] = std::numeric_limits<double>::quiet_NaN();
  plug->processDoubleReplacing(plug.Effect(), din.Pointers(), dout.Pointers(), 64);
}

namespace {

// What a host does after choosing a layout of n channels on each side.
void ConnectChannels(const LoadedPlugin& plug, int n) {
  VstSpeakerArrangement arrangement{};
  arrangement.numChannels = n;
  plug.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&arrangement),
                &arrangement);
}

bool AllZero(const std::vector<std::vector<double>>& channels, std::size_t from) {
  for (std::size_t c = from; c < channels.size(); ++c)
    for (double sample : channels[c])
      if (sample != 0.) return false;
  return true;
}

}  // namespace

TEST(Processing, LongDoubleCallsWithFewChannelsMatchOneWholeBlock) {
  constexpr int kFrames = 3000;
  for (const float mode : {0.f, 1.f}) {
    LoadedPlugin pieces, whole;
    pieces.Dispatch(effOpen);  // no block size from this host: the default holds
    OpenAt(whole, 44100.f, kFrames);
    for (const LoadedPlugin* plug : {&pieces, &whole}) {
      ConnectChannels(*plug, 2);
      plug->Set(76, mode);
    }
    // Sixteen pointers offered, two taken.
    HostChannels<double> in(kChannels, kFrames), out(kChannels, kFrames), ref(kChannels, kFrames);
    FillNoise(in, 4);
    pieces->processDoubleReplacing(pieces.Effect(), in.Pointers(), out.Pointers(), kFrames);
    whole->processDoubleReplacing(whole.Effect(), in.Pointers(), ref.Pointers(), kFrames);
    EXPECT_EQ(out.mData[0], ref.mData[0]);
    EXPECT_EQ(out.mData[1], ref.mData[1]);
  }
}

TEST(Processing, HostPointersAreTakenOnlyForConnectedChannels) {
  LoadedPlugin plug;
  OpenAt(plug, 48000.f, 64);
  plug.Set(93, 1.f);  // Global Bypass: Mode 0 sums the dry inputs
  HostChannels<float> all(kChannels, 64), sums(kChannels, 64);
  FillNoise(all, 5);
  plug->processReplacing(plug.Effect(), all.Pointers(), sums.Pointers(), 64);

  // Two channels: arrays of two entries, and the channels cut off read silence,
  // not the block they last converted.
  ConnectChannels(plug, 2);
  HostChannels<float> fin(2, 64), fout(2, 64);
  FillNoise(fin, 6);
  plug->processReplacing(plug.Effect(), fin.Pointers(), fout.Pointers(), 64);
  EXPECT_EQ(fout.mData, fin.mData);
  HostChannels<double> din(2, 64), dout(2, 64);
  FillNoise(din, 7);
  plug->processDoubleReplacing(plug.Effect(), din.Pointers(), dout.Pointers(), 64);
  EXPECT_EQ(dout.mData, din.mData);

  // A null pointer costs its channel only: a missing input reads as silence.
  ConnectChannels(plug, 16);
  plug.Set(76, 1.f);
  HostChannels<double> in(kChannels, 64), out(kChannels, 64);
  FillNoise(in, 8);
  in.mPointers[3] = nullptr;
  out.mPointers[5] = nullptr;
  plug->processDoubleReplacing(plug.Effect(), in.Pointers(), out.Pointers(), 64);
  for (std::size_t c = 0; c < kChannels; ++c)
    if (c != 3 && c != 5) {
      EXPECT_EQ(out.mData[c], in.mData[c]) << c;
    }
  EXPECT_TRUE(AllZero({out.mData[3], out.mData[5]}, 0));
  HostChannels<float> fin16(kChannels, 64), fout16(kChannels, 64);
  FillNoise(fin16, 9);
  fin16.mPointers[0] = nullptr;
  plug->processReplacing(plug.Effect(), fin16.Pointers(), fout16.Pointers(), 64);
  EXPECT_EQ(fout16.mData[1], fin16.mData[1]);
  EXPECT_EQ(fout16.mData[0], std::vector<float>(64, 0.f));
}

// In place at 64 bits the chain reads the host's buffers before the mix
// silences them (the 32-bit path works in scratch buffers).
TEST(Processing, ModeZeroInPlaceSilencesOutputsThreeToSixteen) {
  LoadedPlugin plug;
  OpenAt(plug, 48000.f, 64);
  HostChannels<double> io(kChannels, 64);
  FillNoise(io, 11);
  plug->processDoubleReplacing(plug.Effect(), io.Pointers(), io.Pointers(), 64);
  EXPECT_TRUE(AllZero(io.mData, 2));
  EXPECT_NE(io.mData[0][10], 0.);
}

TEST(Processing, OutOfRangeValuesAndRatesLeaveTheOutputFinite) {
  const float kNaN = std::numeric_limits<float>::quiet_NaN();
  const float kInf = std::numeric_limits<float>::infinity();
  for (const float rate : {kNaN, kInf, -kInf, 0.f, -48000.f}) {
    LoadedPlugin plug;
    OpenAt(plug, 48000.f, 256);
    plug.Dispatch(effSetSampleRate, 0, 0, nullptr, rate);  // refused
    plug.Set(3, -kInf);                                    // Input 1 clamps to -24 dB
    plug.Set(4, -1.f);
    plug.Set(76, -1.f);  // Mode 0, which writes outputs 1 and 2
    plug.Set(77, -1.f);
    EXPECT_EQ(plug.Get(76), 0.f);
    EXPECT_EQ(plug.Get(3), 0.f);
    plug.Set(0, 2.f);
    EXPECT_EQ(plug.Get(0), 1.f);
    HostChannels<double> in(kChannels, 256), out(kChannels, 256);
    FillNoise(in, 12);
    for (auto& channel : out.mData)
      channel.assign(256, 7.);
    for (int block = 0; block < 4; ++block) {
      if (block == 2) plug.Set(3, 0.5f);
      plug->processDoubleReplacing(plug.Effect(), in.Pointers(), out.Pointers(), 256);
      for (const auto& channel : out.mData)
        for (double sample : channel)
          ASSERT_TRUE(std::isfinite(sample)) << rate;
      EXPECT_NE(out.mData[0][100], 7.);
    }
  }
}
