#include "quor-host/levels.h"

#include <algorithm>
#include <cmath>

void LevelMeter::Add(std::span<const double> interleaved, std::size_t frames) {
  const std::size_t channels = Channels();
  for (std::size_t c = 0; c < channels; ++c) {
    double peak = mPeak[c];
    double sum = 0.0;
    for (std::size_t i = 0; i < frames; ++i) {
      const double magnitude = std::abs(interleaved[i * channels + c]);
      if (!std::isfinite(magnitude)) continue;
      peak = std::max(peak, magnitude);
      sum += magnitude * magnitude;
    }
    mPeak[c] = peak;
    mSumOfSquares[c] += sum;
  }
  mFrames += frames;
}

double LevelMeter::Rms(std::size_t channel) const {
  if (mFrames == 0) return 0.0;
  return std::sqrt(mSumOfSquares[channel] / static_cast<double>(mFrames));
}

double LevelMeter::LargestPeak() const {
  return mPeak.empty() ? 0.0 : *std::max_element(mPeak.begin(), mPeak.end());
}
