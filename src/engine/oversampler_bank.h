#pragma once

#include "engine/halfband.h"
#include "engine/lanes.h"

// Four-times oversampling of a bank of NCh channels, a block of up to
// MaxFrames frames at a time: each stage runs over the whole block before the
// next, with the channels as vector lanes. Every channel gets exactly the bits
// its own OverSampler<double> with factor k4x would give: the same stages, the
// same cells, the same samples in the same order.
//
// Samples are frame-major: channel c of frame f sits at f * NCh + c.
template <int NCh, int MaxFrames>
class OverSamplerBank4x {
 public:
  static constexpr int kMaxFrames = MaxFrames;

  // Runs `func(samples, lane)` on every vector of channels at four times the
  // rate (lane: the first channel of the vector) and writes the decimated
  // results. frames <= kMaxFrames.
  template <class V, class F>
  [[gnu::always_inline]] void Process(const double* in, double* out, int frames, F func) {
    constexpr int kWidth = kLaneCount<V>;
    // A non-number would stay in the allpass state for good and silence the
    // channel; it is taken as silence instead.
    mUp1.template Interpolate<V>(in, mRate2x, frames, [](V x) { return ZeroIfNotFinite(x); });
    mUp2.template Interpolate<V>(mRate2x, mRate4x, 2 * frames, [](V x) { return x; });
    for (int i = 0; i < 4 * frames * NCh; i += NCh) {
#pragma GCC unroll 16
      for (int lane = 0; lane < NCh; lane += kWidth)
        StoreLanes(mRate4x + i + lane, func(LoadLanes<V>(mRate4x + i + lane), lane));
    }
    mDown2.template Decimate<V>(mRate4x, mRate2x, 2 * frames);
    mDown1.template Decimate<V>(mRate2x, out, frames);
  }

 private:
  halfband::BankStage<12, NCh> mUp1{halfband::kStage1Coefs};
  halfband::BankStage<4, NCh> mUp2{halfband::kStage2Coefs};
  halfband::BankStage<4, NCh> mDown2{halfband::kStage2Coefs};
  halfband::BankStage<12, NCh> mDown1{halfband::kStage1Coefs};
  // The block at twice and four times the rate; the way down reuses them.
  alignas(64) double mRate2x[2 * MaxFrames * NCh];
  alignas(64) double mRate4x[4 * MaxFrames * NCh];
};
