// What only the LV2 adapter decides, through LV2's calls as hosts make them,
// careless hosts included: features, rates, ports, runs and states.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <random>

#include "lv2/lv2_descriptors.h"
#include "lv2/lv2_plugin.h"
#include "plugin/quor.h"
#include "tests/hosts/lv2_test_host.h"
#include "tests/plugin/host_channels.h"

namespace {

constexpr int kChannels = 16;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

Lv2Library Linked() {
  return {Lv2PluginDescriptor(Lv2DescriptionOf(QuorDescriptor())),
          Lv2UiDescriptor(Lv2DescriptionOf(QuorDescriptor()))};
}

void FillNoise(HostChannels<float>& buffers, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<float> amplitude(-1.f, 1.f);
  for (auto& channel : buffers.mData)
    for (float& sample : channel)
      sample = amplitude(random);
}

QUOR& ConsoleOf(Lv2Instance& instance) {
  return static_cast<QUOR&>(static_cast<Lv2Plugin*>(instance.Handle())->Plug());
}

}  // namespace

// Absurd rates too: from about 1.34e154 Hz the equaliser's coefficients overflow.
TEST(Lv2Adapter, ARateThePlugInCannotRunAtFailsTheInstance) {
  const Lv2Library library = Linked();
  for (const double rate :
       {std::nan(""), double{INFINITY}, -double{INFINITY}, 0., -44100.,
        IEffectBase::kMaxSampleRate * 1.01, 1.35e154, std::numeric_limits<double>::max()})
    EXPECT_FALSE(Lv2Instance(library, rate).Valid()) << rate;
  EXPECT_TRUE(Lv2Instance(library, 44100.).Valid());
  EXPECT_TRUE(Lv2Instance(library, IEffectBase::kMaxSampleRate).Valid());
}

TEST(Lv2Adapter, RunsWithoutFeaturesAndWithCarelessPortsAndValues) {
  const Lv2Library library = Linked();
  Lv2Instance instance(library, 48000., {false, 0});  // as lv2apply: nothing offered
  ASSERT_TRUE(instance.Valid());
  Lv2State state;
  EXPECT_EQ(instance.Save(&state), LV2_STATE_ERR_NO_FEATURE);
  instance.Run(nullptr, nullptr, 256);  // no audio connected at all
  instance.Run(nullptr, nullptr, 0);
  // A control the host never connected keeps its value; NaN and values far
  // out of range are taken as the parameters' bounds.
  instance.Descriptor().connect_port(instance.Handle(), Lv2Instance::Port("output_1"), nullptr);
  instance.Control("input_1") = kNaN;
  instance.Control("master_output") = 1e30f;
  instance.Control("mode") = 7.f;
  instance.Control("mute_3") = -INFINITY;
  HostChannels<float> in(kChannels, 512), out(kChannels, 512);
  FillNoise(in, 1);
  in.mPointers[5] = nullptr;
  instance.Run(in.Pointers(), out.Pointers(), 512);
  QUOR& console = ConsoleOf(instance);
  EXPECT_EQ(console.GetParam(QUOR::InputIdx(0))->Value(), -24.);
  EXPECT_EQ(console.GetParam(QUOR::kMasterOutputIdx)->Value(), 24.);
  EXPECT_EQ(console.GetParam(QUOR::kModeIdx)->Value(), 1.);
  EXPECT_EQ(console.GetParam(QUOR::MuteIdx(2))->Value(), 0.);
  for (const auto& channel : out.mData)
    for (const float sample : channel)
      ASSERT_TRUE(std::isfinite(sample));
  for (int m = 0; m < QUOR::kNumMeters; ++m) {
    const float meter = instance.Control(Lv2Instance::Port(m < 8 ? "meter_" + std::to_string(m + 1)
                                                           : m == 8 ? "meter_master_left"
                                                                    : "meter_master_right"));
    EXPECT_TRUE(meter >= 0.f && meter <= 1.f) << m;
  }
  EXPECT_EQ(instance.Control("latency"), 0.f);
}

// Any run length, the same buffers in and out: the bits of one whole block.
TEST(Lv2Adapter, LongAndInPlaceRunsGiveTheBitsOfOneBlock) {
  constexpr int kFrames = 3000;
  const Lv2Library library = Linked();
  Lv2Instance whole(library, 48000., {true, kFrames}), pieces(library, 48000., {true, 64});
  for (Lv2Instance* instance : {&whole, &pieces}) {
    instance->Control("mode") = 1.f;
    instance->Control("input_3") = 9.5f;
  }
  HostChannels<float> in(kChannels, kFrames), out(kChannels, kFrames);
  FillNoise(in, 2);
  HostChannels<float> io = in;
  for (std::size_t c = 0; c < kChannels; ++c)
    io.mPointers[c] = io.mData[c].data();
  whole.Run(in.Pointers(), out.Pointers(), kFrames);
  pieces.Run(io.Pointers(), io.Pointers(), kFrames);
  for (std::size_t c = 0; c < kChannels; ++c)
    for (std::size_t i = 0; i < kFrames; ++i)
      ASSERT_EQ(std::bit_cast<std::uint32_t>(io.mData[c][i]),
                std::bit_cast<std::uint32_t>(out.mData[c][i]))
          << c << " " << i;
}

// Names leave as valid UTF-8, an invalid byte mended and the rest kept, and
// a name as long as a user may type comes back.
TEST(Lv2Adapter, NamesLeaveAsValidUtf8AndLongOnesComeBack) {
  const Lv2Library library = Linked();
  Lv2Instance instance(library, 48000.);
  QUOR& console = ConsoleOf(instance);
  std::string typed;
  for (int i = 0; i < 4200; ++i)
    typed += i % 3 ? "a" : "\xc3\xa9";
  console.SetTrackName(0, "Ba\xffss \xc3\xbc \xed\xa0\x80 \xc3");
  console.SetTrackName(1, typed);
  const std::vector<std::string> saved = instance.SavedTexts();
  EXPECT_EQ(saved[0],
            "Ba\xef\xbf\xbdss \xc3\xbc \xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd \xef\xbf\xbd");
  Lv2State state;
  ASSERT_EQ(instance.Save(&state), LV2_STATE_SUCCESS);
  Lv2Instance other(library, 48000.);
  ASSERT_EQ(other.Restore(&state), LV2_STATE_SUCCESS);
  EXPECT_EQ(other.SavedTexts()[1], typed);
  EXPECT_EQ(other.SavedTexts()[0], saved[0]);
}

// A toggle is on for any value above zero.
TEST(Lv2Adapter, TogglesAreOnAboveZero) {
  const Lv2Library library = Linked();
  Lv2Instance instance(library, 48000.);
  QUOR& console = ConsoleOf(instance);
  for (const float on : {1.f, 0.3f, 1e-4f, 1e-30f}) {
    instance.Control("mute_1") = 0.f;
    instance.Run(nullptr, nullptr, 16);
    instance.Control("mute_1") = on;
    instance.Run(nullptr, nullptr, 16);
    EXPECT_EQ(console.GetParam(QUOR::MuteIdx(0))->Value(), 1.) << on;
  }
  instance.Control("mute_1") = -0.5f;
  instance.Run(nullptr, nullptr, 16);
  EXPECT_EQ(console.GetParam(QUOR::MuteIdx(0))->Value(), 0.);
}

TEST(Lv2Adapter, AnEditorChangeStandsUntilTheHostChangesThePort) {
  const Lv2Library library = Linked();
  Lv2Instance instance(library, 48000.);
  instance.Run(nullptr, nullptr, 64);
  QUOR& console = ConsoleOf(instance);
  const int param = QUOR::InputIdx(4);
  console.SetParameterFromGUI(param, 0.75);  // +12 dB from the editor
  instance.Run(nullptr, nullptr, 64);
  EXPECT_EQ(console.GetParam(param)->Value(), 12.);
  instance.Control("input_5") = -6.5f;
  instance.Run(nullptr, nullptr, 64);
  EXPECT_EQ(console.GetParam(param)->Value(), -6.5);
}

TEST(Lv2Adapter, StateKeepsTheNamesAndDefaultsWhatIsDamaged) {
  const Lv2Library library = Linked();
  Lv2Instance instance(library, 48000.);
  UridMap& map = instance.Map();
  const auto& keys = Lv2DescriptionOf(QuorDescriptor()).mTextKeys;
  const LV2_URID string = map.Id(LV2_ATOM__String);
  Lv2State state;
  const auto put = [&](std::size_t name, LV2_URID type, std::string bytes) {
    state.mProperties[map.Id(keys[name])] = {type, std::move(bytes)};
  };
  put(0, string, std::string("Kick\0", 5));
  put(1, string, "Snare");                                                // no terminating zero
  put(2, map.Id(LV2_ATOM__Int), std::string("\1\0\0\0", 4));              // not a string
  put(3, string, std::string("Ba\0ss\0", 6));                             // a zero inside
  put(4, string, std::string(Lv2Plugin::kMaxTextBytes + 1, 'x') + '\0');  // longer than any name
  put(5, string, std::string("Bus \xc3\xbc\0", 7));
  put(8, string, std::string("\0", 1));  // empty is a name too
  ASSERT_EQ(instance.Restore(&state), LV2_STATE_SUCCESS);
  const std::vector<std::string> expected{"Kick",       "Track Name", "Track Name",
                                          "Track Name", "Track Name", "Bus \xc3\xbc",
                                          "Track Name", "Track Name", ""};
  EXPECT_EQ(instance.SavedTexts(), expected);

  // A save restores as it was saved; an empty state restores the defaults.
  Lv2State saved;
  ASSERT_EQ(instance.Save(&saved), LV2_STATE_SUCCESS);
  Lv2Instance other(library, 48000.);
  ASSERT_EQ(other.Restore(&saved), LV2_STATE_SUCCESS);
  EXPECT_EQ(other.SavedTexts(), expected);
  Lv2State empty;
  ASSERT_EQ(other.Restore(&empty), LV2_STATE_SUCCESS);
  EXPECT_EQ(other.SavedTexts()[8], "Master");
}

// The ports say what the VST2 display says: the same words for the switches
// and Mode, and for the equaliser settings, which stay 0..1, the dB they give.
TEST(Lv2Adapter, PortsDescribeTheControlsAsTheHostDisplayDoes) {
  const QUOR console(QUOR::Editor::kNone);
  int comments = 0;
  for (const Lv2Port& port : Lv2DescriptionOf(QuorDescriptor()).mPorts) {
    if (port.mKind != Lv2Port::Kind::kControlIn) continue;
    const IParam& param = *console.GetParam(port.mIndex);
    for (std::size_t value = 0; value < port.mChoices.size(); ++value)
      EXPECT_EQ(port.mChoices[value], param.GetDisplayForHost(static_cast<double>(value), false));
    EXPECT_EQ(port.mChoices.empty(), param.GetNDisplayTexts() == 0) << port.mSymbol;
    if (port.mComment.empty()) continue;
    ++comments;
    EXPECT_EQ(port.mUnit, Lv2Port::Unit::kNone);
    EXPECT_EQ(port.mMax - port.mMin, 1.);
    for (const double end : {0., 1.}) {
      const std::string shown = param.GetDisplayForHost(end, false).substr(1) + " dB";
      EXPECT_NE(port.mComment.find(shown), std::string::npos) << port.mComment;
    }
  }
  EXPECT_EQ(comments, 24);
}
