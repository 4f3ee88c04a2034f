#pragma once

#include <array>
#include <climits>
#include <cmath>
#include <cstddef>
#include <functional>
#include <span>
#include <utility>
#include <vector>

#include "engine/halfband.h"

// Oversampling factor as a power of two. The type is int-based so that any
// integer can be passed without undefined behaviour; factors outside 1..4 run
// the function directly.
enum EFactor : int { k1x = 0, k2x = 1, k4x = 2, k8x = 3, k16x = 4 };

// Runs a per-sample function at 2, 4, 8 or 16 times the sample rate through a
// cascade of half-band interpolators and the mirror cascade of decimators.
// Everything is allocated by the constructor and Reset; processing never
// allocates.
template <typename T>
class OverSampler {
 public:
  OverSampler(EFactor factor, bool blockProcessing, int nChannels)
      : mBlockProcessing(blockProcessing),
        // Channel 0 is always processed, so it always exists.
        mNChannels(nChannels < 1 ? 1 : nChannels),
        mStages(static_cast<std::size_t>(mNChannels)) {
    mFactor = factor;
    mRate = RateOf(factor);
    Reset(1024);
  }

  // Sizes the rate buffers for blockSize frames per channel and clears the
  // state of every stage; coefficients stay.
  void Reset(int blockSize) {
    mFramesPerChannel = mBlockProcessing
                            ? (blockSize < 1 ? std::size_t{1} : static_cast<std::size_t>(blockSize))
                            : std::size_t{1};
    const std::size_t samples = mFramesPerChannel * static_cast<std::size_t>(mNChannels);
    for (std::size_t level = 0; level < kLevels; ++level) {
      const std::size_t rate = std::size_t{2} << level;
      mUp[level].assign(rate * samples, T{});
      mDown[level].assign(rate * samples, T{});
    }
    for (ChannelStages& stages : mStages)
      stages.Reset();
  }

  // Processes one sample of channel 0. An empty function throws
  // std::bad_function_call before any state changes.
  T Process(T input, std::function<T(T)> func) {
    if (!func) throw std::bad_function_call();
    return ProcessWith(input, func);
  }

  // Same arithmetic as Process, with the function called inline.
  template <typename F>
  T ProcessWith(T input, F&& func) {
    switch (mRate) {
      case 2:
        return Oversample<1>(input, func);
      case 4:
        return Oversample<2>(input, func);
      case 8:
        return Oversample<3>(input, func);
      case 16:
        return Oversample<4>(input, func);
      default:
        return func(input);
    }
  }

  EFactor Factor() const { return mFactor; }
  int Rate() const { return mRate; }

 private:
  static constexpr std::size_t kLevels = 4;

  // Stage n sits between rates 2^(n-1) and 2^n.
  struct ChannelStages {
    halfband::Upsampler2x<12, T> up1{halfband::kStage1Coefs};
    halfband::Upsampler2x<4, T> up2{halfband::kStage2Coefs};
    halfband::Upsampler2x<3, T> up3{halfband::kStage3Coefs};
    halfband::Upsampler2x<2, T> up4{halfband::kStage4Coefs};
    halfband::Downsampler2x<12, T> down1{halfband::kStage1Coefs};
    halfband::Downsampler2x<4, T> down2{halfband::kStage2Coefs};
    halfband::Downsampler2x<3, T> down3{halfband::kStage3Coefs};
    halfband::Downsampler2x<2, T> down4{halfband::kStage4Coefs};

    void Reset() {
      up1.Reset();
      up2.Reset();
      up3.Reset();
      up4.Reset();
      down1.Reset();
      down2.Reset();
      down3.Reset();
      down4.Reset();
    }
  };

  // 2^factor as an int; a factor whose power does not fit gives 0, which,
  // like every rate but 2, 4, 8 and 16, processes without filtering.
  static int RateOf(EFactor factor) {
    const double rate = std::ldexp(1.0, factor);
    return rate < static_cast<double>(INT_MAX) ? static_cast<int>(rate) : 0;
  }

  // Each input sample becomes two at the next level, pairs kept in time order.
  template <typename Stage>
  static void Interpolate(Stage& stage, std::span<const T> in, std::span<T> out) {
    for (std::size_t j = 0; j < in.size(); ++j) {
      const auto [first, second] = stage.Process(in[j]);
      out[2 * j] = first;
      out[2 * j + 1] = second;
    }
  }

  // Each consecutive pair becomes one sample at the level below.
  template <typename Stage>
  static void Decimate(Stage& stage, std::span<const T> in, std::span<T> out) {
    for (std::size_t j = 0; j < out.size(); ++j)
      out[j] = stage.Process(in[2 * j], in[2 * j + 1]);
  }

  // Up through `Depth` stages, func at the top rate, back down. Intermediate
  // samples live in channel 0's regions of the rate buffers.
  template <std::size_t Depth, typename F>
  T Oversample(T input, F& func) {
    // A non-number would stay in the allpass state for good and silence the
    // channel; it is taken as silence instead.
    const T sample = ZeroIfNotFinite(input);
    ChannelStages& s = mStages.front();
    const auto level = [](std::vector<T>& buffer, std::size_t index) {
      return std::span<T>(buffer.data(), std::size_t{2} << index);
    };

    const auto [first, second] = s.up1.Process(sample);
    const std::span<T> up2 = level(mUp[0], 0);
    up2[0] = first;
    up2[1] = second;
    if constexpr (Depth >= 2) Interpolate(s.up2, up2, level(mUp[1], 1));
    if constexpr (Depth >= 3) Interpolate(s.up3, level(mUp[1], 1), level(mUp[2], 2));
    if constexpr (Depth >= 4) Interpolate(s.up4, level(mUp[2], 2), level(mUp[3], 3));

    const std::span<T> top = level(mUp[Depth - 1], Depth - 1);
    const std::span<T> processed = level(mDown[Depth - 1], Depth - 1);
    for (std::size_t j = 0; j < top.size(); ++j)
      processed[j] = func(top[j]);

    if constexpr (Depth >= 4) Decimate(s.down4, level(mDown[3], 3), level(mDown[2], 2));
    if constexpr (Depth >= 3) Decimate(s.down3, level(mDown[2], 2), level(mDown[1], 1));
    if constexpr (Depth >= 2) Decimate(s.down2, level(mDown[1], 1), level(mDown[0], 0));
    const std::span<T> down2 = level(mDown[0], 0);
    return s.down1.Process(down2[0], down2[1]);
  }

  EFactor mFactor = k1x;
  int mRate = 1;
  bool mBlockProcessing;
  int mNChannels;
  std::size_t mFramesPerChannel = 1;
  std::vector<ChannelStages> mStages;
  // One buffer per rate level (2x, 4x, 8x, 16x) on the way up and down.
  std::array<std::vector<T>, kLevels> mUp;
  std::array<std::vector<T>, kLevels> mDown;
};
