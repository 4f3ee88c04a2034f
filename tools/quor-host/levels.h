// Peak and RMS level of every channel of a rendered stream.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

class LevelMeter {
 public:
  explicit LevelMeter(std::size_t channels) : mPeak(channels, 0.0), mSumOfSquares(channels, 0.0) {}
  void Add(std::size_t channel, std::span<const double> samples);
  void CountFrames(std::size_t frames) { mFrames += frames; }

  std::size_t Channels() const { return mPeak.size(); }
  double Peak(std::size_t channel) const { return mPeak[channel]; }
  double Rms(std::size_t channel) const;

 private:
  std::vector<double> mPeak;
  std::vector<double> mSumOfSquares;
  std::uint64_t mFrames = 0;
};
