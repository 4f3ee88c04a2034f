#include "plugin/band_gain_curves.h"

#include <cmath>

#include "engine/band_filters.h"

namespace {

// A section's gains are the same at every sample rate: its coefficients are
// the bilinear transform of one analogue section, which maps gains unchanged
// and moves only frequencies. One rate serves.
constexpr double kRate = 48000.;

template <class Band>
double BandGainDb(double g, double frequency) {
  Band band;
  band.Calc(kRate, g);
  return GainDb(band, frequency, kRate);
}

// The chain hands the bell 1 - Mid Gain, so that a rising setting lifts it.
double BellGainDb(double setting, double frequency) {
  return BandGainDb<MidBell>(1. - setting, frequency);
}

// The shelves give their full gain at the top of the spectrum and at 0 Hz.
class HighShelfGain final : public DisplayCurve {
 public:
  double Shown(double setting) const override { return BandGainDb<HighShelf>(setting, kRate / 2.); }
};

class LowShelfGain final : public DisplayCurve {
 public:
  double Shown(double setting) const override { return BandGainDb<LowShelf>(setting, 0.); }
};

// The bell peaks at one frequency whatever its setting.
class MidBellGain final : public DisplayCurve {
 public:
  double Shown(double setting) const override { return BellGainDb(setting, BellCentreHz()); }
};

// The peak of the bell's full lift, searched by golden sections of the
// octaves around 1.6 kHz.
double FindBellCentre() {
  const double ratio = (std::sqrt(5.) - 1.) / 2.;
  double lo = std::log(800.);
  double hi = std::log(3200.);
  for (int i = 0; i < 100; ++i) {
    const double a = hi - ratio * (hi - lo);
    const double b = lo + ratio * (hi - lo);
    if (BellGainDb(1., std::exp(a)) > BellGainDb(1., std::exp(b)))
      hi = b;
    else
      lo = a;
  }
  return std::exp(0.5 * (lo + hi));
}

}  // namespace

double BellCentreHz() {
  static const double centre = FindBellCentre();
  return centre;
}

const DisplayCurve* ShownCurve(ParamShown shown) {
  static const HighShelfGain high;
  static const MidBellGain mid;
  static const LowShelfGain low;
  switch (shown) {
    case ParamShown::kValue:
      return nullptr;
    case ParamShown::kHighBandGain:
      return &high;
    case ParamShown::kMidBandGain:
      return &mid;
    case ParamShown::kLowBandGain:
      return &low;
  }
  return nullptr;
}
