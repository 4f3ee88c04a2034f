#pragma once

#include <cmath>
#include <limits>

#include "engine/lanes.h"

// Meter ballistics: one-pole smoothing that covers 99 % of a step in 0.3 s,
// towards a target 1.25 % above the magnitude while it rises above the state
// and 1.25 % below it otherwise. The state is a linear magnitude.

// The smoothing coefficient at a sample rate.
inline double MeterCoefficient(double sampleRate) {
  return std::exp(-4.60517018599 / (sampleRate * 0.3));
}

// Advances meter states (finite, not negative) by one sample, lane by lane,
// and returns them.
template <class V>
[[gnu::always_inline]] inline V MeterStep(V state, V input, double coefficient) {
  const V a = Abs(input);
  // Both targets and both steps towards them are worked out before the state
  // decides between them, so the state's own recursion stays short.
  const V rising = 1.0125 * a;
  const V falling = 0.9875 * a;
  const auto up = a > state;
  const V next = Select(up, coefficient * (state - rising) + rising,
                        coefficient * (state - falling) + falling);
  // One non-finite sample would otherwise leave the meter at NaN for good: the
  // state stays instead. From a finite state, with the coefficient between 0
  // and 1, the next state lies between the state and the target, so it is
  // finite exactly when the target is; the target is known before the next
  // state, and a magnitude needs no test of its sign.
  const V kept = Select(Select(up, rising, falling) <= Splat<V>(DBL_MAX), next, state);
  // A state decaying towards silence would end on the smallest subnormal,
  // which times the coefficient rounds back to itself: every later sample
  // would then pay the processor's slow subnormal arithmetic, for a level
  // no meter shows. Below the smallest normal number the state is silence.
  return Select(kept >= Splat<V>(DBL_MIN), kept, Splat<V>(0.0));
}

class LevelMeter {
 public:
  explicit LevelMeter(double initialState = 0.0) : mState(initialState) {}

  // Advances one sample and returns the new state; a sample-rate change
  // applies at once.
  double Process(double input, double sampleRate) {
    // The coefficient only changes with the rate: kept, it is the same value.
    if (sampleRate != mRate) {
      mRate = sampleRate;
      mCoef = MeterCoefficient(sampleRate);
    }
    mState = MeterStep(mState, input, mCoef);
    return mState;
  }

  double State() const { return mState; }

 private:
  double mState;
  double mRate = std::numeric_limits<double>::quiet_NaN();
  double mCoef = 0.0;
};
