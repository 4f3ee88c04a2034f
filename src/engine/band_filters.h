#pragma once

#include <algorithm>

#include "engine/lanes.h"

// One step of a second-order section, evaluated strictly left to right: three
// feed-forward products added, two feedback products subtracted, then the
// division by the unnormalised a0. Then the history moves on by one sample.
template <class V>
[[gnu::always_inline]] inline V BiquadOutput(V x, V x1, V x2, V y1, V y2, V b0, V b1, V b2, V a0,
                                             V a1, V a2) {
  return (b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2) / a0;
}
template <class V>
[[gnu::always_inline]] inline V BiquadStep(V x, V b0, V b1, V b2, V a0, V a1, V a2, V& x1, V& x2,
                                           V& y1, V& y2) {
  const V y = BiquadOutput(x, x1, x2, y1, y2, b0, b1, b2, a0, a1, a2);
  x2 = x1;
  x1 = x;
  y2 = y1;
  y1 = y;
  return y;
}

// Second-order sections of the three-band equaliser. The coefficients stay
// unnormalised and a0 is divided at every sample: the console's sound is
// defined by exactly this arithmetic, bit for bit.
class BandFilter {
 public:
  double Process(double x) { return BiquadStep(x, b0, b1, b2, a0, a1, a2, x1, x2, y1, y2); }

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

// The gain in dB that a section's coefficients give a steady sine of the
// frequency (Hz) at the sample rate: what a setting does, for its display.
double GainDb(const BandFilter& band, double frequency, double sampleRate);

// One band for a bank of NCh channels, each with coefficients of its own. A
// block loads the history of a vector of channels into registers, steps it
// sample by sample and stores it back.
template <int NCh>
class BandFilterBank {
 public:
  void SetCoefficients(int channel, const BandFilter& band) {
    mB0[channel] = band.b0;
    mB1[channel] = band.b1;
    mB2[channel] = band.b2;
    mA0[channel] = band.a0;
    mA1[channel] = band.a1;
    mA2[channel] = band.a2;
  }

  template <class V>
  struct History {
    V x1, x2, y1, y2;
  };

  // The channels from `lane` on, one vector of them.
  template <class V>
  [[gnu::always_inline]] History<V> Load(int lane) const {
    return {LoadLanes<V>(mX1 + lane), LoadLanes<V>(mX2 + lane), LoadLanes<V>(mY1 + lane),
            LoadLanes<V>(mY2 + lane)};
  }

  // Keeps the history of the lanes where `run` is set; the others stay as
  // they were before the block, as if they had not been run.
  template <class V>
  [[gnu::always_inline]] void Store(int lane, const History<V>& history, LaneMask<V> run) {
    const auto keep = [&](double* state, V updated) __attribute__((always_inline)) {
      StoreLanes(state + lane, Select(run, updated, LoadLanes<V>(state + lane)));
    };
    keep(mX1, history.x1);
    keep(mX2, history.x2);
    keep(mY1, history.y1);
    keep(mY2, history.y2);
  }

  template <class V>
  [[gnu::always_inline]] V Process(History<V>& h, int lane, V x) const {
    return BiquadStep(x, LoadLanes<V>(mB0 + lane), LoadLanes<V>(mB1 + lane),
                      LoadLanes<V>(mB2 + lane), LoadLanes<V>(mA0 + lane), LoadLanes<V>(mA1 + lane),
                      LoadLanes<V>(mA2 + lane), h.x1, h.x2, h.y1, h.y2);
  }

 private:
  alignas(64) double mB0[NCh] = {};
  alignas(64) double mB1[NCh] = {};
  alignas(64) double mB2[NCh] = {};
  alignas(64) double mA0[NCh] = {};
  alignas(64) double mA1[NCh] = {};
  alignas(64) double mA2[NCh] = {};
  alignas(64) double mX1[NCh] = {};
  alignas(64) double mX2[NCh] = {};
  alignas(64) double mY1[NCh] = {};
  alignas(64) double mY2[NCh] = {};
};

// NBands bands in series for a bank of NCh channels, each band's input the
// output of the band before: the bank keeps the last two input samples and
// each band's last two outputs, the same values as separate filters would
// keep, without the copies. A block hands the histories to rows of samples,
// one row per signal (the input, then each band's output), and steps the
// bands over the rows.
template <int NCh, int NBands>
class BandCascadeBank {
 public:
  static constexpr int kSignals = NBands + 1;

  void SetCoefficients(int band, int channel, const BandFilter& filter) {
    double* const c = mCoef[band][0] + channel;
    c[0 * NCh] = filter.b0;
    c[1 * NCh] = filter.b1;
    c[2 * NCh] = filter.b2;
    c[3 * NCh] = filter.a0;
    c[4 * NCh] = filter.a1;
    c[5 * NCh] = filter.a2;
  }

  // Every channel's history back to silence; the coefficients stay.
  void ClearHistory() {
    for (int k = 0; k < kSignals; ++k) {
      std::fill_n(mOlder[k], NCh, 0.0);
      std::fill_n(mLast[k], NCh, 0.0);
    }
  }

  // Band `band`'s output for input x after x1 and x2, its outputs so far y1
  // and y2; the channels from `lane` on, one vector of them.
  template <class V>
  [[gnu::always_inline]] V Output(int band, int lane, V x, V x1, V x2, V y1, V y2) const {
    const auto c = [&](int k) __attribute__((always_inline)) {
      return LoadLanes<V>(mCoef[band][k] + lane);
    };
    return BiquadOutput(x, x1, x2, y1, y2, c(0), c(1), c(2), c(3), c(4), c(5));
  }

  // Signal k's last sample to last[k] and the one before to older[k].
  template <class V>
  [[gnu::always_inline]] void LoadHistory(int lane, double* const (&older)[kSignals],
                                          double* const (&last)[kSignals]) const {
#pragma GCC unroll 8
    for (int k = 0; k < kSignals; ++k) {
      StoreLanes(older[k], LoadLanes<V>(mOlder[k] + lane));
      StoreLanes(last[k], LoadLanes<V>(mLast[k] + lane));
    }
  }
  // And back, for the lanes where `run` is set; the others keep the history
  // they had, as if the bands had not run.
  template <class V>
  [[gnu::always_inline]] void StoreHistory(int lane, double* const (&older)[kSignals],
                                           double* const (&last)[kSignals], LaneMask<V> run) {
#pragma GCC unroll 8
    for (int k = 0; k < kSignals; ++k) {
      StoreLanes(mOlder[k] + lane,
                 Select(run, LoadLanes<V>(older[k]), LoadLanes<V>(mOlder[k] + lane)));
      StoreLanes(mLast[k] + lane,
                 Select(run, LoadLanes<V>(last[k]), LoadLanes<V>(mLast[k] + lane)));
    }
  }

 private:
  // Per band: b0, b1, b2, a0, a1, a2, each for every channel.
  alignas(64) double mCoef[NBands][6][NCh] = {};
  alignas(64) double mOlder[kSignals][NCh] = {};
  alignas(64) double mLast[kSignals][NCh] = {};
};
