#include "quor-host/levels.h"

#include <algorithm>
#include <cmath>

void LevelMeter::Add(std::size_t channel, std::span<const double> samples) {
  double peak = mPeak[channel];
  double sum = 0.0;
  for (const double sample : samples) {
    peak = std::max(peak, std::abs(sample));
    sum += sample * sample;
  }
  mPeak[channel] = peak;
  mSumOfSquares[channel] += sum;
}

double LevelMeter::Rms(std::size_t channel) const {
  if (mFrames == 0) return 0.0;
  return std::sqrt(mSumOfSquares[channel] / static_cast<double>(mFrames));
}
