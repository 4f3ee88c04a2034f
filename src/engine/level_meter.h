#pragma once

#include <cmath>
#include <limits>

// Meter ballistics: one-pole smoothing that covers 99 % of a step in 0.3 s,
// towards a target 1.25 % above the magnitude while it rises above the state
// and 1.25 % below it otherwise. The state is a linear magnitude.
class LevelMeter {
 public:
  explicit LevelMeter(double initialState = 0.0) : mState(initialState) {}

  // Advances one sample and returns the new state; a sample-rate change
  // applies at once.
  double Process(double input, double sampleRate) {
    // The coefficient only changes with the rate: kept, it is the same value.
    if (sampleRate != mRate) {
      mRate = sampleRate;
      mCoef = std::exp(-4.60517018599 / (sampleRate * 0.3));
    }
    const double c = mCoef;
    const double a = std::fabs(input);
    const double k = a > mState ? 1.0125 : 0.9875;
    const double target = k * a;
    const double next = c * (mState - target) + target;
    // One non-finite sample would otherwise leave the meter at NaN for good.
    if (std::isfinite(next)) mState = next;
    return mState;
  }

  double State() const { return mState; }

 private:
  double mState;
  double mRate = std::numeric_limits<double>::quiet_NaN();
  double mCoef = 0.0;
};
