// Sample peak, RMS level and samples beyond full scale of every channel of a
// rendered stream; samples that are not finite are counted apart and left
// out of the others.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

class LevelMeter {
 public:
  explicit LevelMeter(std::size_t channels)
      : mPeak(channels, 0.0),
        mSumOfSquares(channels, 0.0),
        mOver(channels, 0),
        mNonFinite(channels, 0) {}
  void Add(std::span<const double> interleaved, std::size_t frames);

  std::size_t Channels() const { return mPeak.size(); }
  std::uint64_t Frames() const { return mFrames; }
  double Peak(std::size_t channel) const { return mPeak[channel]; }
  double Rms(std::size_t channel) const;
  std::uint64_t Over(std::size_t channel) const { return mOver[channel]; }  // |sample| > 1
  std::uint64_t NonFinite(std::size_t channel) const { return mNonFinite[channel]; }
  double LargestPeak() const;
  std::uint64_t TotalOver() const;

 private:
  std::vector<double> mPeak;
  std::vector<double> mSumOfSquares;
  std::vector<std::uint64_t> mOver;
  std::vector<std::uint64_t> mNonFinite;
  std::uint64_t mFrames = 0;
};
