// Sample peak and RMS level of every channel of a rendered stream; samples
// that are not finite are left out.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

class LevelMeter {
 public:
  explicit LevelMeter(std::size_t channels) : mPeak(channels, 0.0), mSumOfSquares(channels, 0.0) {}
  void Add(std::span<const double> interleaved, std::size_t frames);

  std::size_t Channels() const { return mPeak.size(); }
  std::uint64_t Frames() const { return mFrames; }
  double Peak(std::size_t channel) const { return mPeak[channel]; }
  double Rms(std::size_t channel) const;
  double LargestPeak() const;

 private:
  std::vector<double> mPeak;
  std::vector<double> mSumOfSquares;
  std::uint64_t mFrames = 0;
};
