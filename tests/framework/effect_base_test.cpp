#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "tests/framework/test_effect.h"

TEST(EffectBase, ParsesChannelConfigurations) {
  TestEffect sixteen(1, "16-16");
  EXPECT_EQ(sixteen.NInChannels(), 16);
  EXPECT_EQ(sixteen.NOutChannels(), 16);
  EXPECT_EQ(sixteen.NChannelIO(), 1);
  EXPECT_FALSE(sixteen.LegalIO(1, -1));
  EXPECT_TRUE(sixteen.LegalIO(16, 16));
  EXPECT_TRUE(sixteen.LegalIO(-1, 16));

  TestEffect two(1, "1-1 2-6");
  EXPECT_EQ(two.NChannelIO(), 2);
  EXPECT_EQ(two.NInChannels(), 2);
  EXPECT_EQ(two.NOutChannels(), 6);
  EXPECT_TRUE(two.LegalIO(1, -1));

  TestEffect garbage(1, "x-");
  EXPECT_EQ(garbage.NInChannels(), 0);
  EXPECT_EQ(garbage.NOutChannels(), 0);
}

TEST(EffectBase, DisconnectedInputsConsumeNoHostPointer) {
  TestEffect effect(1, "16-16");
  effect.SetBlockSize(4);
  effect.SetInputChannelConnections(0, 2, true);
  effect.SetInputChannelConnections(2, 14, false);
  effect.SetOutputChannelConnections(0, 16, true);
  std::array<double, 4> a{1, 2, 3, 4}, b{5, 6, 7, 8};
  std::array<double*, 2> inputs{a.data(), b.data()};
  std::vector<std::array<double, 4>> outs(16);
  std::vector<double*> outputs;
  for (auto& out : outs)
    outputs.push_back(out.data());
  effect.AttachInputBuffers(0, 16, inputs.data(), 4);
  effect.AttachOutputBuffers(0, 16, outputs.data());
  effect.RunBuffers(0., 4);
  EXPECT_EQ(outs[0][3], 4.);
  EXPECT_EQ(outs[1][0], 5.);
  EXPECT_EQ(outs[2][0], 0.);  // a disconnected input reads its (zeroed) scratch buffer
  EXPECT_FALSE(effect.IsInChannelConnected(2));
  EXPECT_FALSE(effect.IsInChannelConnected(99));
}

TEST(EffectBase, BlockSizeChangeZeroesScratch) {
  TestEffect effect(1, "1-1");
  effect.SetInputChannelConnections(0, 1, true);
  effect.SetOutputChannelConnections(0, 1, true);
  effect.SetBlockSize(2);
  std::array<float, 2> in{0.5f, 0.25f};
  std::array<float, 2> out{};
  float* inPtr = in.data();
  float* outPtr = out.data();
  effect.AttachInputBuffers(0, 1, &inPtr, 2);
  effect.AttachOutputBuffers(0, 1, &outPtr);
  effect.RunBuffers(0.f, 2);
  EXPECT_EQ(out[1], 0.25f);
  effect.SetBlockSize(2);  // unchanged: scratch keeps the converted input
  effect.RunBuffers(0.f, 2);
  EXPECT_EQ(out[0], 0.5f);
  effect.SetBlockSize(3);  // changed: zeroed
  effect.AttachOutputBuffers(0, 1, &outPtr);
  effect.RunBuffers(0.f, 2);
  EXPECT_EQ(out[0], 0.f);
}

TEST(EffectBase, AnOutputLeftAloneIsSilentIn32Bit) {
  struct Intermittent : TestEffect {
    Intermittent() : TestEffect(1, "1-1") {}
    void ProcessDoubleReplacing(double**, double** outputs, int nFrames) override {
      if (mWrites) std::fill_n(outputs[0], nFrames, 0.5);
    }
    bool mWrites = true;
  } effect;
  effect.SetBlockSize(2);
  effect.SetInputChannelConnections(0, 1, true);
  effect.SetOutputChannelConnections(0, 1, true);
  std::array<float, 2> in{}, out{};
  float* inPtr = in.data();
  float* outPtr = out.data();
  for (const bool writes : {true, false}) {
    effect.mWrites = writes;
    effect.AttachInputBuffers(0, 1, &inPtr, 2);
    effect.AttachOutputBuffers(0, 1, &outPtr);
    effect.RunBuffers(0.f, 2);
    EXPECT_EQ(out[1], writes ? 0.5f : 0.f);
  }
}

TEST(EffectBase, AccumulatingAddsAndPassThroughZeroesExtraOutputs) {
  TestEffect effect(1, "2-4");
  effect.SetBlockSize(1);
  effect.SetInputChannelConnections(0, 2, true);
  effect.SetOutputChannelConnections(0, 4, true);
  std::array<float, 1> in0{0.5f}, in1{1.f};
  std::array<float, 1> out0{0.25f}, out1{0.f}, out2{9.f}, out3{9.f};
  std::array<float*, 2> inputs{in0.data(), in1.data()};
  std::array<float*, 4> outputs{out0.data(), out1.data(), out2.data(), out3.data()};
  effect.AttachInputBuffers(0, 2, inputs.data(), 1);
  effect.AttachOutputBuffers(0, 4, outputs.data());
  effect.RunBuffersAccumulating(1);
  EXPECT_EQ(out0[0], 0.75f);
  EXPECT_EQ(out2[0], 9.f);  // += 0
  effect.RunBuffers(0.f, 1);
  EXPECT_EQ(out1[0], 1.f);
  EXPECT_EQ(out3[0], 0.f);
}

TEST(EffectBase, GuiChangeReportsTheEditorsValue) {
  TestEffect effect;
  effect.GetParam(0)->InitInt("I", 0, 0, 10);
  effect.SetParameterFromGUI(0, 0.33);
  EXPECT_EQ(effect.GetParam(0)->Value(), 3.);
  ASSERT_EQ(effect.Automated().size(), 1u);
  EXPECT_EQ(effect.Automated()[0].second, 0.33);
  EXPECT_EQ(effect.mChanged, std::vector<int>{0});
}

TEST(EffectBase, HostTextsChangeAParameterOnlyWhenTheyNameAValue) {
  TestEffect effect;
  effect.GetParam(0)->InitDouble("Gain", 0., -24., 24., 0.01, "dB");
  EXPECT_TRUE(effect.SetParameterFromText(0, "+6 dB"));
  EXPECT_EQ(effect.GetParam(0)->Value(), 6.);
  EXPECT_EQ(effect.mChanged, std::vector<int>{0});
  const std::string overlong = "1" + std::string(300, ' ');
  for (const char* refused : {"loud", overlong.c_str(), static_cast<const char*>(nullptr)})
    EXPECT_FALSE(effect.SetParameterFromText(0, refused));
  EXPECT_FALSE(effect.SetParameterFromText(5, "1"));  // no such parameter
  EXPECT_EQ(effect.GetParam(0)->Value(), 6.);
  EXPECT_EQ(effect.mChanged.size(), 1u);
}

TEST(EffectBase, MidiIsForwardedAndSamplesPerBeatFollowsTempo) {
  TestEffect effect;
  IMidiMsg msg;
  msg.MakeNoteOnMsg(60, 100, 3);
  effect.ProcessMidiMsg(&msg);
  ASSERT_EQ(effect.mSentMidi.size(), 1u);
  EXPECT_EQ(effect.mSentMidi[0].mData1, 60);
  effect.SetSampleRate(48000.);
  EXPECT_EQ(effect.GetSamplesPerBeat(), 24000.);
  effect.mTempo = 0.;
  EXPECT_EQ(effect.GetSamplesPerBeat(), 0.);
  EXPECT_EQ(effect.GetAPIString(), "VST2");
  EXPECT_EQ(effect.GetEffectVersionStr(), "v1.2.3");
  EXPECT_EQ(effect.GetEffectVersion(true), 10203);
}

// A rate no host runs is refused as a non-number is: the old one stays.
TEST(EffectBase, RatesBeyondAnyConverterAreRefused) {
  TestEffect effect;
  effect.SetSampleRate(IEffectBase::kMaxSampleRate);
  for (const double rate : {IEffectBase::kMaxSampleRate * 1.01, 1.35e154,
                            std::numeric_limits<double>::max(), std::nan("")}) {
    effect.SetSampleRate(rate);
    EXPECT_EQ(effect.GetSampleRate(), IEffectBase::kMaxSampleRate) << rate;
  }
}
