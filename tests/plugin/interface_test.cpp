// QUOR as a host sees it: loaded through its entry point, driven only
// through the effect record.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "plugin/quor.h"
#include "plugin/quor_params.h"
#include "tests/plugin/loaded_plugin.h"

TEST(Interface, IdentityAndRecord) {
  LoadedPlugin plug;
  EXPECT_EQ(plug->magic, FourCharCode('V', 's', 't', 'P'));
  EXPECT_EQ(plug->numParams, 94);
  EXPECT_EQ(plug->numInputs, 16);
  EXPECT_EQ(plug->numOutputs, 16);
  EXPECT_EQ(plug->numPrograms, 9);  // the factory presets
  EXPECT_EQ(plug->flags, 0x1031);   // with an editor
  EXPECT_EQ(plug->version, 10100);
  EXPECT_EQ(plug->uniqueID, FourCharCode('Q', 'U', 'R', '1'));
  EXPECT_NE(plug->object, nullptr);
  EXPECT_EQ(plug->ioRatio, 1.f);
  plug.Dispatch(effOpen);
  EXPECT_EQ(plug.Text(effGetEffectName), "QUOR");
  EXPECT_EQ(plug.Text(effGetVendorString), "Vandorhaus");
  EXPECT_EQ(plug.Text(effGetProductString), "");
  EXPECT_EQ(plug.Dispatch(effGetVendorVersion), 10100);
  EXPECT_EQ(plug.Dispatch(effGetVstVersion), 2400);
  EXPECT_EQ(plug.Dispatch(effGetPlugCategory), kPlugCategEffect);
  EXPECT_EQ(plug.Dispatch(effCanBeAutomated, 12), 1);
  EXPECT_EQ(plug.Dispatch(effGetEffectName), 0);  // null buffer
  EXPECT_EQ(plug.Dispatch(effEditGetRect, 0, 0, nullptr), 0);
  ERect* rect = nullptr;
  ASSERT_EQ(plug.Dispatch(effEditGetRect, 0, 0, &rect), 1);
  EXPECT_EQ(rect->top, 0);
  EXPECT_EQ(rect->left, 0);
  EXPECT_EQ(rect->bottom, 692);
  EXPECT_EQ(rect->right, 1215);

  LoadedPlugin legacy("main");
  EXPECT_NE(legacy->object, plug->object);
}

TEST(Interface, ParameterTable) {
  LoadedPlugin plug;
  plug.Dispatch(effOpen);
  EXPECT_EQ(plug.Text(effGetParamName, 0), "High Gain 1");
  EXPECT_EQ(plug.Text(effGetParamName, 13), "Input 2");
  EXPECT_EQ(plug.Text(effGetParamName, 74), "Output 8");
  EXPECT_EQ(plug.Text(effGetParamName, 75), "Master Output");
  EXPECT_EQ(plug.Text(effGetParamName, 76), "Mode");
  EXPECT_EQ(plug.Text(effGetParamName, 79), "Bypass 3");
  EXPECT_EQ(plug.Text(effGetParamName, 92), "Mute 8");
  EXPECT_EQ(plug.Text(effGetParamName, 93), "Global Bypass");
  EXPECT_EQ(plug.Text(effGetParamName, 5), "");
  EXPECT_EQ(plug.Text(effGetParamName, 69), "");
  EXPECT_EQ(plug.Text(effGetParamName, 94), "");
  EXPECT_EQ(plug.Text(effGetParamName, -1), "");
  EXPECT_EQ(plug.Text(effGetParamDisplay, 3), "0.00");
  EXPECT_EQ(plug.Text(effGetParamLabel, 3), "dB");
  EXPECT_EQ(plug.Text(effGetParamDisplay, 0), "0.0");
  EXPECT_EQ(plug.Text(effGetParamDisplay, 77), "Off");
  EXPECT_EQ(plug.Text(effGetParamLabel, 77), "");

  for (int t = 0; t < 8; ++t) {
    EXPECT_FLOAT_EQ(plug.Get(10 * t), 0.5f);      // High Gain
    EXPECT_FLOAT_EQ(plug.Get(10 * t + 3), 0.5f);  // Input 0 dB in -24..24
    EXPECT_EQ(plug.Get(77 + t), 0.f);
  }
  EXPECT_EQ(plug.Get(5), 0.f);
  EXPECT_EQ(plug.Dispatch(effVendorSpecific, 8, 3), 0xBEEF);  // a double parameter
  EXPECT_EQ(plug.Dispatch(effVendorSpecific, 8, 76), 0);
  char display[64] = {};
  EXPECT_EQ(plug.Dispatch(effVendorSpecific, 7, 3, display, 1.f), 0xBEEF);
  EXPECT_STREQ(display, "24.00");
}

TEST(Interface, EveryParameterIsAsItsRowDescribesIt) {
  LoadedPlugin plug;
  plug.Dispatch(effOpen);
  int named = 0;
  for (int i = 0; i < plug->numParams; ++i)
    named += plug.Text(effGetParamName, i).empty() ? 0 : 1;
  EXPECT_EQ(named, static_cast<int>(kQuorParams.size()));
  for (const QuorParam& p : kQuorParams) {
    const ParamRow& row = *p.mRow;
    EXPECT_EQ(plug.Text(effGetParamName, p.mIdx), p.Name()) << p.mIdx;
    EXPECT_EQ(plug.Text(effGetParamLabel, p.mIdx), row.mLabel) << p.mIdx;
    EXPECT_FLOAT_EQ(plug.Get(p.mIdx),
                    static_cast<float>((row.mDefault - row.mMin) / (row.mMax - row.mMin)));
    const bool continuous = plug.Dispatch(effVendorSpecific, 8, p.mIdx) == 0xBEEF;
    EXPECT_EQ(continuous, row.mType == kTypeDouble) << p.mIdx;
  }
}

// The host's display says what a control does: gains in dB, the equaliser
// settings as the dB their band gets, the switches and Mode as words.
TEST(Interface, HostTextsSayWhatEachControlDoes) {
  LoadedPlugin plug;
  plug.Dispatch(effOpen);
  struct Shown {
    int idx;
    float at;
    const char* display;
    const char* label;
  };
  for (const Shown& c :
       {Shown{3, 0.75f, "12.00", "dB"}, Shown{75, 0.f, "-24.00", "dB"},
        Shown{0, 0.f, "-16.2", "dB"}, Shown{0, 0.5f, "0.0", "dB"}, Shown{0, 1.f, "+16.2", "dB"},
        Shown{1, 0.f, "-19.4", "dB"}, Shown{1, 1.f, "+19.4", "dB"}, Shown{2, 0.f, "-18.7", "dB"},
        Shown{72, 1.f, "+18.7", "dB"}, Shown{76, 0.f, "MIX", ""}, Shown{76, 1.f, "16 OUT", ""},
        Shown{77, 1.f, "On", ""}, Shown{92, 0.f, "Off", ""}, Shown{93, 1.f, "On", ""},
        Shown{5, 1.f, "1", ""}}) {
    plug.Set(c.idx, c.at);
    EXPECT_EQ(plug.Text(effGetParamDisplay, c.idx), c.display) << c.idx << " at " << c.at;
    EXPECT_EQ(plug.Text(effGetParamLabel, c.idx), c.label) << c.idx;
    char at[64] = {};  // the text at a value the parameter does not hold
    plug.Set(c.idx, 1.f - c.at);
    plug.Dispatch(effVendorSpecific, 7, c.idx, at, c.at);
    EXPECT_STREQ(at, c.display) << c.idx;
  }

  // Typed in the host's own field, in the units shown.
  struct Typed {
    int idx;
    const char* text;
    const char* display;
  };
  for (const Typed& c :
       {Typed{3, "+6 dB", "6.00"}, Typed{13, " -3.5", "-3.50"}, Typed{3, "100", "24.00"},
        Typed{10, "+3", "+3.0"}, Typed{11, "-19.4 dB", "-19.4"}, Typed{12, "0", "0.0"},
        Typed{10, "+40", "+16.2"}, Typed{76, "16 out", "16 OUT"}, Typed{76, "0", "MIX"},
        Typed{80, "ON", "On"}, Typed{80, "0", "Off"}, Typed{81, "1", "On"}}) {
    EXPECT_EQ(plug.Dispatch(effString2Parameter, c.idx, 0, const_cast<char*>(c.text)), 1) << c.text;
    EXPECT_EQ(plug.Text(effGetParamDisplay, c.idx), c.display) << c.text;
  }
  for (const Typed& c : {Typed{3, "loud", "24.00"}, Typed{76, "stereo", "MIX"},
                         Typed{10, "0.5 %", "+16.2"}, Typed{80, "maybe", "Off"}}) {
    EXPECT_EQ(plug.Dispatch(effString2Parameter, c.idx, 0, const_cast<char*>(c.text)), 0) << c.text;
    EXPECT_EQ(plug.Text(effGetParamDisplay, c.idx), c.display) << c.text;
  }
}

// No stored value depends on the texts: the text of every setting on the
// step grid names that setting exactly, so texts travel without a loss.
TEST(Interface, EqualiserTextsNameTheirSettingsExactly) {
  QUOR console(QUOR::Editor::kNone);
  for (const ParamRole role : {ParamRole::kHighGain, ParamRole::kMidGain, ParamRole::kLowGain}) {
    const int idx = ParamIndex(role, 3);
    IParam* param = console.GetParam(idx);
    for (int k = 0; k <= 100; ++k) {
      param->Set(k / 100.);
      const std::string text = param->GetDisplayForHost();
      param->Set(0.123);
      ASSERT_TRUE(console.SetParameterFromText(idx, text.c_str())) << text;
      EXPECT_EQ(param->Value(), k / 100.) << idx << " " << text;
    }
  }
}

TEST(Interface, SetAndGetRoundTripAndBadIndicesChangeNothing) {
  LoadedPlugin plug;
  plug.Dispatch(effOpen);
  std::mt19937 random(7);
  std::uniform_real_distribution<float> unit(0.f, 1.f);
  for (int i = 0; i < 94; ++i) {
    const float value = unit(random);
    plug.Set(i, value);
    const bool isSwitchOrUnused = i >= 76 || (i < 70 && i % 10 >= 5);
    EXPECT_NEAR(plug.Get(i), isSwitchOrUnused ? std::round(value) : value, 1e-6) << i;
  }
  std::vector<float> before;
  for (int i = 0; i < 94; ++i)
    before.push_back(plug.Get(i));
  plug.Set(-1, 0.3f);
  plug.Set(94, 0.3f);
  EXPECT_EQ(plug.Get(-1), 0.f);
  EXPECT_EQ(plug.Get(94), 0.f);
  for (int i = 0; i < 94; ++i)
    EXPECT_EQ(plug.Get(i), before[static_cast<std::size_t>(i)]);
}

TEST(Interface, TextsNeverExceedHostBuffers) {
  LoadedPlugin plug;
  char buffer[40];
  std::memset(buffer, 'x', sizeof buffer);
  plug.Dispatch(effGetParamDisplay, 3, 0, buffer);
  plug.Set(3, 1.f);
  plug.Dispatch(effGetParamDisplay, 3, 0, buffer);
  EXPECT_LE(std::strlen(buffer), 31u);
  // A very long parameter text is cut to 31 characters.
  plug.SetText(75, "1e300");
  std::memset(buffer, 'x', sizeof buffer);
  plug.Dispatch(effGetParamDisplay, 75, 0, buffer);
  EXPECT_EQ(std::strlen(buffer), 5u);  // clamped to 24.00
  std::memset(buffer, 'x', sizeof buffer);
  plug.Dispatch(effVendorSpecific, 7, 75, buffer, 1e30f);
  EXPECT_LE(std::strlen(buffer), 31u);
  EXPECT_EQ(buffer[32], 'x');
}

TEST(Interface, CapabilitiesAndPins) {
  LoadedPlugin plug;
  EXPECT_EQ(plug.Dispatch(effCanDo, 0, 0, const_cast<char*>("receiveVstMidiEvent")), 0);
  EXPECT_EQ(plug.Dispatch(effCanDo, 0, 0, const_cast<char*>("receiveVstTimeInfo")), 1);
  EXPECT_EQ(plug.Dispatch(effCanDo, 0, 0, const_cast<char*>("hasCockosExtensions")),
            VstIntPtr{0xBEEF0000});
  EXPECT_EQ(plug.Dispatch(effCanDo, 0, 0, nullptr), 0);
  VstPinProperties pin{};
  EXPECT_EQ(plug.Dispatch(effGetOutputProperties, 15, 0, &pin), 1);
  EXPECT_EQ(pin.flags, kVstPinIsActive);
  EXPECT_STREQ(pin.label, "Track 8 R");  // an unnamed track goes by its number
  EXPECT_EQ(plug.Dispatch(effGetOutputProperties, 14, 0, &pin), 1);
  EXPECT_EQ(pin.flags, kVstPinIsActive | kVstPinIsStereo);
  // The first pair carries the mix in MIX mode, track 1 in 16 OUT.
  const auto firstOutput = [&] {
    plug.Dispatch(effGetOutputProperties, 0, 0, &pin);
    return std::string(pin.label);
  };
  plug.Set(ParamIndex(ParamRole::kMode), 0.f);
  EXPECT_EQ(firstOutput(), "Master L");
  plug.Set(ParamIndex(ParamRole::kMode), 1.f);
  EXPECT_EQ(firstOutput(), "Track 1 L");
  EXPECT_EQ(plug.Dispatch(effGetInputProperties, 1, 0, &pin), 1);
  EXPECT_STREQ(pin.label, "Track 1 R");
  EXPECT_EQ(plug.Dispatch(effGetInputProperties, 16, 0, &pin), 0);
  EXPECT_EQ(plug.Dispatch(effGetInputProperties, -1, 0, &pin), 0);
  EXPECT_EQ(plug.Dispatch(effGetSpeakerArrangement), 1);
  VstSpeakerArrangement* in = nullptr;
  VstSpeakerArrangement* out = nullptr;
  EXPECT_EQ(plug.Dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out), 1);
  ASSERT_NE(in, nullptr);
  EXPECT_EQ(in->numChannels, 16);
  EXPECT_EQ(out->type, kSpeakerArrUserDefined);
  EXPECT_EQ(plug.Dispatch(effIdentify), FourCharCode('N', 'v', 'E', 'f'));
  EXPECT_EQ(plug.Dispatch(effGetTailSize), 0);
  EXPECT_EQ(plug.Dispatch(9999), 0);
}

TEST(Interface, HostIsIdentifiedOnOpen) {
  Vst2HostBehaviour ardour;
  ardour.mProduct = "Ardour";
  LoadedPlugin plug("VSTPluginMain", ardour);
  plug.Dispatch(effOpen);
  // Identification changes nothing visible for Ardour; the channel counts stand.
  EXPECT_EQ(plug->numInputs, 16);
  EXPECT_TRUE(plug.Calls(audioMasterWantMidi).empty());
}
