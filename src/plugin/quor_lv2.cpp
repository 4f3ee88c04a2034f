#include "plugin/quor_lv2.h"

#include <cstdio>
#include <string>

#include "plugin/band_gain_curves.h"
#include "plugin/quor.h"
#include "plugin/quor_params.h"

namespace {

// The identity hosts save with sessions: never changes.
constexpr const char* kUri = "urn:vandorhaus:quor";

std::string Numbered(const char* stem, int n) {
  return stem + std::to_string(n);
}

void AddAudioPorts(Lv2Description& d) {
  for (const bool input : {true, false}) {
    for (int c = 0; c < QUOR::kNumChannels; ++c) {
      Lv2Port port{input ? Lv2Port::Kind::kAudioIn : Lv2Port::Kind::kAudioOut,
                   Numbered(input ? "in_" : "out_", c + 1),
                   Numbered(input ? "Input " : "Output ", c + 1), c};
      // Pairs of channels: a track's input, a track's or the mix's output.
      const int pair = c / 2;
      port.mGroup = input ? Numbered("track_in_", pair + 1) : Numbered("outputs_", pair + 1);
      port.mLeft = c % 2 == 0;
      d.mPorts.push_back(port);
    }
  }
}

std::string BandName(ParamShown shown) {
  switch (shown) {
    case ParamShown::kHighBandGain:
      return "The high shelf";
    case ParamShown::kMidBandGain: {
      char bell[32];
      std::snprintf(bell, sizeof bell, "The bell at %.1f kHz", BellCentreHz() / 1000.);
      return bell;
    }
    case ParamShown::kLowBandGain:
      return "The low shelf";
    case ParamShown::kValue:
      break;
  }
  return {};
}

// What an equaliser setting does, which its value 0..1 does not say.
std::string BandComment(ParamShown shown) {
  const DisplayCurve* curve = ShownCurve(shown);
  if (!curve) return {};
  char text[128];
  std::snprintf(text, sizeof text,
                "%s: 0 cuts it by %.1f dB, 0.5 leaves it flat, 1 lifts it by %.1f dB",
                BandName(shown).c_str(), -curve->Shown(0.), curve->Shown(1.));
  return text;
}

void AddControlPorts(Lv2Description& d) {
  // In index order, as hosts that number parameters show them.
  for (int idx = 0; idx < kNumParams; ++idx) {
    const QuorParam* param = FindParam(idx);
    if (!param) continue;
    const ParamRow& row = *param->mRow;
    Lv2Port port{Lv2Port::Kind::kControlIn, param->Symbol(), param->Name(), idx};
    port.mDefault = row.mDefault;
    port.mMin = row.mMin;
    port.mMax = row.mMax;
    port.mStyle = row.mStyle == ParamStyle::kToggle   ? Lv2Port::Style::kToggle
                  : row.mStyle == ParamStyle::kChoice ? Lv2Port::Style::kChoice
                                                      : Lv2Port::Style::kContinuous;
    port.mUnit = row.mUnit == ParamUnit::kDecibel ? Lv2Port::Unit::kDecibel : Lv2Port::Unit::kNone;
    for (const char* choice : row.mChoices)
      if (choice) port.mChoices.emplace_back(choice);
    port.mComment = BandComment(row.mShown);
    d.mPorts.push_back(port);
  }
}

void AddOutputPorts(Lv2Description& d) {
  for (int m = 0; m < QUOR::kNumMeters; ++m) {
    const bool master = m >= QUOR::kNumTracks;
    const bool left = m == QUOR::kNumTracks;
    Lv2Port port{
        Lv2Port::Kind::kControlOut,
        master ? (left ? "meter_master_left" : "meter_master_right") : Numbered("meter_", m + 1),
        master ? (left ? "Master Meter Left" : "Master Meter Right") : Numbered("Meter ", m + 1),
        m};
    d.mPorts.push_back(port);
  }
  d.mPorts.push_back({Lv2Port::Kind::kLatency, "latency", "Latency", 0});
}

Lv2Description MakeDescription() {
  Lv2Description d;
  d.mUri = kUri;
  d.mUiUri = std::string(kUri) + ":ui";
  d.mName = "QUOR";
  d.mVendor = "Vandorhaus";
  d.mBinary = "QUOR.so";
  d.mPluginTurtle = "QUOR.ttl";
  d.mUiTurtle = "QUOR-ui.ttl";
  d.mMinorVersion = 1;  // v1.1.0
  d.mMicroVersion = 0;
  AddAudioPorts(d);
  AddControlPorts(d);
  AddOutputPorts(d);

  d.mMake = []() -> std::unique_ptr<IEffectBase> { return std::make_unique<QUOR>(); };
  d.mReadOutput = [](IEffectBase& plug, int meter) {
    return static_cast<float>(static_cast<QUOR&>(plug).GetMeterState(meter));
  };
  for (int n = 0; n < QUOR::kNumNames; ++n)
    d.mTextKeys.push_back(n < QUOR::kNumTracks ? d.mUri + "#track_name_" + std::to_string(n + 1)
                                               : d.mUri + "#master_name");
  d.mGetText = [](IEffectBase& plug, int n) { return static_cast<QUOR&>(plug).GetTrackName(n); };
  d.mSetText = [](IEffectBase& plug, int n, const std::string& name) {
    static_cast<QUOR&>(plug).SetTrackName(n, name);
  };
  d.mDefaultText = [](int n) -> std::string {
    return n < QUOR::kNumTracks ? QUOR::kDefaultTrackName : QUOR::kDefaultMasterName;
  };
  return d;
}

}  // namespace

const Lv2Description& QuorLv2Description() {
  static const Lv2Description description = MakeDescription();
  return description;
}
