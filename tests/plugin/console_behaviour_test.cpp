// What the console does whatever format a host loads it in: its gain, its
// modes, its state and its threads, run once per format.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "framework/ieffect_base.h"
#include "plugin/quor_descriptor.h"
#include "plugin/quor_params.h"
#include "tests/plugin/console_formats.h"
#include "tests/plugin/host_channels.h"

namespace {

constexpr int kChannels = 16;

void FillNoise(HostChannels<float>& buffers, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> amplitude(-1., 1.);
  for (auto& channel : buffers.mData)
    for (auto& sample : channel)
      sample = static_cast<float>(amplitude(random));
}

std::vector<double> AllParams(ConsoleHost& host) {
  std::vector<double> values;
  for (int i = 0; i < kNumParams; ++i)
    values.push_back(host.Get(i));
  return values;
}

}  // namespace

TEST_P(ConsoleBehaviour, DefaultSettingsGiveTheConsoleGain) {
  constexpr int kFrames = 4096;
  host->Start(44100., kFrames);
  HostChannels<float> in(kChannels, kFrames), out(kChannels, kFrames);
  for (int i = 0; i < kFrames; ++i)  // track 3 left
    in.mData[4][static_cast<std::size_t>(i)] =
        static_cast<float>(1e-3 * std::sin(2 * M_PI * 20. * i / 44100.));
  for (auto& channel : out.mData)
    channel.assign(kFrames, 7.f);
  host->Process(in.Pointers(), out.Pointers(), kFrames);
  double inPeak = 0., outPeak = 0.;
  for (std::size_t i = kFrames / 2; i < kFrames; ++i) {
    inPeak = std::max(inPeak, std::fabs(static_cast<double>(in.mData[4][i])));
    outPeak = std::max(outPeak, std::fabs(static_cast<double>(out.mData[0][i])));
  }
  EXPECT_NEAR(outPeak / inPeak, 1.1326, 0.002);
  for (std::size_t c = 2; c < kChannels; ++c)
    EXPECT_EQ(out.mData[c][0], 0.f);  // Mode 0 silences them
}

TEST_P(ConsoleBehaviour, ModeZeroSilencesOutputsThreeToSixteen) {
  host->Start(48000., 64);
  const int mode = ParamIndex(ParamRole::kMode);
  host->Set(mode, 1.);
  HostChannels<float> in(kChannels, 64), out(kChannels, 64);
  FillNoise(in, 10);
  host->Process(in.Pointers(), out.Pointers(), 64);
  host->Set(mode, 0.);
  host->Process(in.Pointers(), out.Pointers(), 64);
  for (std::size_t c = 2; c < kChannels; ++c)
    EXPECT_EQ(out.mData[c], std::vector<float>(64, 0.f)) << c;

  // In place, the host's buffers hold the input until the plug-in overwrites them.
  HostChannels<float> io(kChannels, 64);
  FillNoise(io, 11);
  host->Process(io.Pointers(), io.Pointers(), 64);
  for (std::size_t c = 2; c < kChannels; ++c)
    EXPECT_EQ(io.mData[c], std::vector<float>(64, 0.f)) << c;
  EXPECT_NE(io.mData[0][10], 0.f);
}

TEST_P(ConsoleBehaviour, SavedStateRestoresEveryValueAndName) {
  host->Start(48000., 256);
  const std::vector<std::string> names{"Kick", "Snare", "",    "Bass ü", "Pad",
                                       "Lead", "Noise", "Vox", "Bus A"};
  ASSERT_TRUE(host->RestoreNames(names));
  std::mt19937 random(11);
  for (int i = 0; i < kNumParams; ++i)
    host->Set(i, std::uniform_real_distribution<double>(0, 1)(random));
  const std::vector<std::uint8_t> saved = host->Save();
  const std::vector<double> values = AllParams(*host);

  const auto target = NewHost();
  target->Start(48000., 256);
  ASSERT_TRUE(target->Restore(saved));
  EXPECT_EQ(AllParams(*target), values);
  EXPECT_EQ(target->Names(), names);
  EXPECT_EQ(target->Save(), saved);  // names and values byte for byte
}

// Hosts reset before an export and at every transport jump: nothing of what
// played before may sound (below -120 dBFS) in the first silent block.
TEST_P(ConsoleBehaviour, AResetForgetsWhatPlayedBefore) {
  constexpr int kFrames = 512;
  host->Start(48000., kFrames);
  host->Set(ParamIndex(ParamRole::kInput, 0), 0.9);
  HostChannels<float> noise(kChannels, kFrames), silence(kChannels, kFrames);
  HostChannels<float> out(kChannels, kFrames);
  FillNoise(noise, 12);
  host->Process(noise.Pointers(), out.Pointers(), kFrames);
  host->Reset();
  host->Process(silence.Pointers(), out.Pointers(), kFrames);
  float peak = 0.f;
  for (const auto& channel : out.mData)
    for (const float sample : channel)
      peak = std::max(peak, std::fabs(sample));
  EXPECT_LT(peak, 1e-6f);
}

// The same settings and noise give VST2's 32-bit output bit for bit, in
// both modes: the format changes nothing of the sound.
TEST_P(ConsoleBehaviour, SoundsAsVst2BitForBit) {
  constexpr int kFrames = 1000;
  for (const double mode : {0., 1.}) {
    const auto tested = NewHost();
    const auto reference = MakeVst2ConsoleHost();
    const auto hosts = {tested.get(), reference.get()};
    std::vector<HostChannels<float>> outputs;
    for (ConsoleHost* h : hosts) {
      h->Start(48000., 256);
      h->Set(ParamIndex(ParamRole::kMode), mode);
      // Values every format carries exactly: on the step grid, a float too.
      h->Set(ParamIndex(ParamRole::kInput, 0), 0.75);
      h->Set(ParamIndex(ParamRole::kHighGain, 2), 0.25);
      h->Set(ParamIndex(ParamRole::kMute, 4), 1.);
      h->Set(ParamIndex(ParamRole::kMasterOutput), 0.375);
      HostChannels<float> in(kChannels, kFrames), out(kChannels, kFrames);
      FillNoise(in, 5);
      // In calls of several lengths, as hosts make them.
      for (int at = 0, n = 1; at < kFrames; at += n, n = std::min(n * 3, 256)) {
        n = std::min(n, kFrames - at);
        std::vector<float*> i, o;
        for (int c = 0; c < kChannels; ++c) {
          i.push_back(in.Pointers()[c] + at);
          o.push_back(out.Pointers()[c] + at);
        }
        h->Process(i.data(), o.data(), n);
      }
      outputs.push_back(std::move(out));
    }
    for (int c = 0; c < kChannels; ++c)
      EXPECT_EQ(outputs[0].mData[static_cast<std::size_t>(c)],
                outputs[1].mData[static_cast<std::size_t>(c)])
          << "mode " << mode << ", channel " << c;
  }
}

// Audio, automation and state requests from three threads at once, as hosts
// issue them; run under ThreadSanitizer in CI.
TEST_P(ConsoleBehaviour, AudioAutomationAndStateThreads) {
  host->Start(48000., 128);
  std::atomic<bool> stop{false};
  std::thread audio([&] {
    HostChannels<float> in(kChannels, 128), out(kChannels, 128);
    while (!stop.load())
      host->Process(in.Pointers(), out.Pointers(), 128);
  });
  std::thread automation([&] {
    for (int i = 0; !stop.load(); ++i) {
      host->Set(i % kNumParams, (i % 7) / 6.);
      (void)host->Get((i * 7) % kNumParams);
    }
  });
  std::thread state([&] {
    while (!stop.load()) {
      const std::vector<std::uint8_t> saved = host->Save();
      host->Restore(saved);
    }
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  stop.store(true);
  audio.join();
  automation.join();
  state.join();
  EXPECT_FALSE(host->Save().empty());
}

// The editor's thread as the X11 editor runs it: a gesture, its value, its end.
void EditOnEditorThread(IEffectBase& plug, int param, double normalized) {
  std::thread editor([&] {
    const ThreadRoleScope role(ThreadRole::kEditor);
    plug.BeginInformHostOfParamChange(param);
    plug.SetParameterFromGUI(param, normalized);
    plug.EndInformHostOfParamChange(param);
  });
  editor.join();
}

// An edit sounds at once and reaches the host only when its UI thread lends
// itself, inside a gesture, never with the plug-in's mutex held.
TEST_P(ConsoleBehaviour, EditorEditsSoundAtOnceAndReachTheHostWhereItListens) {
  host->Start(48000., 256);
  if (!host->Idle()) GTEST_SKIP() << "this host hears edits through a UI on an X server";
  host->TakeEdits();
  const int input = ParamIndex(ParamRole::kInput, 2);
  const int mute = ParamIndex(ParamRole::kMute, 1);
  HostChannels<float> in(kChannels, 256), out(kChannels, 256);
  FillNoise(in, 12);
  host->Process(in.Pointers(), out.Pointers(), 256);
  const float before = out.mData[0][200];
  EditOnEditorThread(host->Plug(), input, 0.75);
  EditOnEditorThread(host->Plug(), mute, 1.);
  EXPECT_EQ(host->TakeEdits(), std::vector<std::string>{});
  host->Process(in.Pointers(), out.Pointers(), 256);
  EXPECT_NE(out.mData[0][200], before);
  ASSERT_TRUE(host->Idle());
  const std::string i = std::to_string(input), m = std::to_string(mute);
  EXPECT_EQ(host->TakeEdits(),
            (std::vector<std::string>{"b" + i, "a" + i, "e" + i, "b" + m, "a" + m, "e" + m}));
  EXPECT_NEAR(host->Get(input), 0.75, 1e-6);
  EXPECT_EQ(host->Get(mute), 1.);
  EXPECT_EQ(host->Violations(), std::vector<std::string>{});
}

// Drags in the editor, saves and idles on the host's UI thread and audio at
// once; run under ThreadSanitizer in CI.
TEST_P(ConsoleBehaviour, EditorDragsHostSavesAndAudioAtOnce) {
  host->Start(48000., 128);
  if (!host->Idle()) GTEST_SKIP() << "this host hears edits through a UI on an X server";
  std::atomic<bool> stop{false};
  std::thread audio([&] {
    HostChannels<float> in(kChannels, 128), out(kChannels, 128);
    FillNoise(in, 13);
    while (!stop.load())
      host->Process(in.Pointers(), out.Pointers(), 128);
  });
  std::thread editor([&] {
    const ThreadRoleScope role(ThreadRole::kEditor);
    IEffectBase& plug = host->Plug();
    for (int i = 0; !stop.load(); ++i) {
      const int param = ParamIndex(ParamRole::kOutput, i % 8);
      plug.BeginInformHostOfParamChange(param);
      for (int step = 0; step < 10; ++step)
        plug.SetParameterFromGUI(param, step / 10.);
      plug.EndInformHostOfParamChange(param);
    }
  });
  for (auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
       std::chrono::steady_clock::now() < end;) {
    host->Idle();
    EXPECT_FALSE(host->Save().empty());
  }
  stop.store(true);
  audio.join();
  editor.join();
  host->Idle();
  EXPECT_EQ(host->Violations(), std::vector<std::string>{});
}

// What each format publishes is what the console's descriptor says: its
// name, sixteen channels each way, every parameter in use by its index and
// name (and range and default where the format carries them); an unused
// index is left out or left nameless.
TEST_P(ConsoleBehaviour, PublishesWhatTheDescriptorSays) {
  host->Start(48000., 64);
  const PlugDescriptor& d = QuorDescriptor();
  const Publication published = host->Published();
  EXPECT_EQ(published.mName, d.mIdentity.mName);
  EXPECT_EQ(published.mInputs, d.NInChannels());
  EXPECT_EQ(published.mOutputs, d.NOutChannels());
  int used = 0;
  for (const Publication::Param& param : published.mParams) {
    ASSERT_GE(param.mId, 0);
    ASSERT_LT(param.mId, static_cast<int>(d.mParams.size()));
    const ParamDescriptor& expected = d.mParams[static_cast<std::size_t>(param.mId)];
    if (expected.mUnused) {
      EXPECT_EQ(param.mName, "") << param.mId;
      continue;
    }
    ++used;
    EXPECT_EQ(param.mName, expected.mName);
    if (!std::isnan(param.mMin)) {
      EXPECT_EQ(param.mMin, expected.mMin) << expected.mName;
      EXPECT_EQ(param.mMax, expected.mMax) << expected.mName;
      EXPECT_EQ(param.mDefault, expected.mDefault) << expected.mName;
    }
  }
  EXPECT_EQ(used, static_cast<int>(d.UsedParams().size()));
}

INSTANTIATE_TEST_SUITE_P(Formats, ConsoleBehaviour, ::testing::ValuesIn(ConsoleFormats()),
                         [](const auto& format) { return format.param.mName; });
