#pragma once

#include "engine/lanes.h"

// Second-order sections of the three-band equaliser. The coefficients stay
// unnormalised and a0 is divided at every sample: the console's sound is
// defined by exactly this arithmetic, bit for bit.
class BandFilter {
 public:
  // Evaluated strictly left to right: three feed-forward products added, two
  // feedback products subtracted, then the division.
  double Process(double x) {
    const double y = (b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2) / a0;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    return y;
  }

  double b0 = 0.0;
  double b1 = 0.0;
  double b2 = 0.0;
  double a0 = 0.0;
  double a1 = 0.0;
  double a2 = 0.0;
  double x1 = 0.0;
  double x2 = 0.0;
  double y1 = 0.0;
  double y2 = 0.0;

 protected:
  // Only the concrete bands are objects of their own; no deletion through the base.
  BandFilter() = default;
  BandFilter(const BandFilter&) = default;
  BandFilter& operator=(const BandFilter&) = default;
  ~BandFilter() = default;
};

// Each Calc rewrites the six coefficients for sample rate F (Hz) and setting g
// in 0..1 and leaves the state alone, so a setting change never clicks through
// a cleared history. g = 0.5 is flat for every band.

// Shelf above the mid band; a rising g lifts it.
class HighShelf : public BandFilter {
 public:
  void Calc(double sampleRate, double g);
};

// Bell near 1.6 kHz; a rising g cuts it, so the caller passes 1 - setting.
class MidBell : public BandFilter {
 public:
  void Calc(double sampleRate, double g);
};

// Shelf below the mid band; a rising g lifts it.
class LowShelf : public BandFilter {
 public:
  void Calc(double sampleRate, double g);
};

// The two channels of a track through one band: both share the coefficients
// and keep a history each, side by side in one register.
template <class Band>
class StereoBandFilter {
 public:
  void Calc(double sampleRate, double g) { mBand.Calc(sampleRate, g); }

  // The same evaluation order as BandFilter::Process, lane by lane.
  DoublePair Process(DoublePair x) {
    const DoublePair y =
        (mBand.b0 * x + mBand.b1 * mX1 + mBand.b2 * mX2 - mBand.a1 * mY1 - mBand.a2 * mY2) /
        mBand.a0;
    mX2 = mX1;
    mX1 = x;
    mY2 = mY1;
    mY1 = y;
    return y;
  }

 private:
  Band mBand;
  DoublePair mX1{}, mX2{}, mY1{}, mY2{};
};
