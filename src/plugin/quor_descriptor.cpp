#include "plugin/quor_descriptor.h"

#include <cstdio>
#include <string>

#include "framework/four_char_code.h"
#include "plugin/band_gain_curves.h"
#include "plugin/factory_presets.h"
#include "plugin/quor.h"
#include "plugin/quor_params.h"

namespace {

constexpr int kVersion = 0x00010100;  // v1.1.0

std::string Numbered(const char* stem, int n) {
  return stem + std::to_string(n);
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

ParamDescriptor DescribeParam(int idx) {
  ParamDescriptor d;
  d.mId = idx;
  const QuorParam* param = FindParam(idx);
  if (!param) {
    d.mUnused = true;
    return d;
  }
  const ParamRow& row = *param->mRow;
  d.mSymbol = param->Symbol();
  d.mName = param->Name();
  d.mTrack = param->mTrack;
  d.mType = row.mType;
  d.mStyle = row.mStyle;
  d.mDefault = row.mDefault;
  d.mMin = row.mMin;
  d.mMax = row.mMax;
  d.mStep = row.mStep;
  d.mLabel = row.mLabel;
  d.mUnit = row.mUnit;
  for (const char* choice : row.mChoices)
    if (choice) d.mChoices.emplace_back(choice);
  d.mCurve = ShownCurve(row.mShown);
  d.mCurveDecimals = kBandGainDecimals;
  d.mComment = BandComment(row.mShown);
  d.mHostBypass = row.mRole == ParamRole::kGlobalBypass;
  return d;
}

PlugDescriptor MakeDescriptor() {
  PlugDescriptor d;
  d.mIdentity.mName = "QUOR";
  d.mIdentity.mVendor = "Vandorhaus";
  d.mIdentity.mVersion = kVersion;
  d.mIdentity.mVst2Id = FourCharCode('Q', 'U', 'R', '1');
  d.mIdentity.mVst2VendorId = FourCharCode('V', 'd', 'h', 's');
  d.mIdentity.mLv2Uri = "urn:vandorhaus:quor";
  d.mIdentity.mClapId = "com.vandorhaus.quor";
  d.mIdentity.mVst3ComponentId = ClassIdFromHex("D0FF32488DF7434BAA0B34D0FEA9DFB6");
  d.mIdentity.mVst3ControllerId = ClassIdFromHex("2E22C09271A648C09722CC062ED67FD9");
  for (int idx = 0; idx < kNumParams; ++idx)
    d.mParams.push_back(DescribeParam(idx));
  // Mode 0 mixes the tracks onto the first pair of outputs; Mode 1 gives
  // each track its own.
  for (int t = 0; t < QUOR::kNumTracks; ++t) {
    d.mInputs.push_back({Numbered("Track ", t + 1), Numbered("track_in_", t + 1)});
    d.mOutputs.push_back(
        {t == 0 ? "Mix / Track 1" : Numbered("Track ", t + 1), Numbered("outputs_", t + 1)});
  }
  for (int t = 0; t < QUOR::kNumTracks; ++t)
    d.mOutputValues.push_back({Numbered("meter_", t + 1), Numbered("Meter ", t + 1)});
  d.mOutputValues.push_back({"meter_master_left", "Master Meter Left"});
  d.mOutputValues.push_back({"meter_master_right", "Master Meter Right"});
  for (int t = 0; t < QUOR::kNumTracks; ++t)
    d.mTexts.push_back({Numbered("track_name_", t + 1), QUOR::kDefaultTrackName});
  d.mTexts.push_back({"master_name", QUOR::kDefaultMasterName});
  d.mPresets = QuorFactoryPresets();
  d.mHasEditor = true;
  d.mMake = [] { return std::make_unique<QUOR>(); };
  return d;
}

}  // namespace

const PlugDescriptor& QuorDescriptor() {
  static const PlugDescriptor descriptor = MakeDescriptor();
  return descriptor;
}
