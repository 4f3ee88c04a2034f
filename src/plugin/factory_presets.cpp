#include "plugin/factory_presets.h"

#include <cmath>

#include "plugin/band_gain_curves.h"
#include "plugin/quor.h"
#include "plugin/quor_params.h"

namespace {

// The setting on the parameter's 0.01 grid whose band gain is nearest the dB
// asked for; flat is the centre exactly.
double BandSetting(ParamShown shown, double db) {
  if (db == 0.) return 0.5;
  const double setting = ShownCurve(shown)->ValueFor(db, 0.05, 0., 1.);
  return std::round(setting * 100.) / 100.;
}

double StripValue(const QuorParam& param, const StripSettings& strip) {
  switch (param.mRow->mRole) {
    case ParamRole::kInput:
      return strip.mInputDb;
    case ParamRole::kOutput:
      return strip.mOutputDb;
    case ParamRole::kHighGain:
      return BandSetting(param.mRow->mShown, strip.mHighDb);
    case ParamRole::kMidGain:
      return BandSetting(param.mRow->mShown, strip.mMidDb);
    case ParamRole::kLowGain:
      return BandSetting(param.mRow->mShown, strip.mLowDb);
    default:
      return param.mRow->mDefault;
  }
}

FactoryPreset Expand(const QuorPreset& preset) {
  FactoryPreset out;
  out.mName = preset.mName;
  out.mSymbol = preset.mSymbol;
  // The unused indices keep a fresh parameter's value, 0.
  out.mValues.assign(kNumParams, 0.);
  for (const QuorParam& param : kQuorParams) {
    double value = param.mTrack >= 0 ? StripValue(param, preset.mStrip) : param.mRow->mDefault;
    if (param.mRow->mRole == ParamRole::kMasterOutput) value = preset.mMasterDb;
    if (param.mRow->mRole == ParamRole::kMode) value = preset.mMode;
    out.mValues[static_cast<std::size_t>(param.mIdx)] = value;
  }
  return out;
}

}  // namespace

std::vector<FactoryPreset> QuorFactoryPresets() {
  std::vector<FactoryPreset> presets;
  for (const QuorPreset& preset : kQuorPresets)
    presets.push_back(Expand(preset));
  return presets;
}
