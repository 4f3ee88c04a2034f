#include "quor-host/quantizer.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {
// In steps of the last bit: a block below this throughout is silence.
constexpr double kSilentSteps = 1.0 / 16.0;
}  // namespace

Quantizer::Quantizer(SampleFormat format, Dither dither, int channels)
    : mBits(SampleFormatBits(format)),
      mDither(dither == Dither::kTpdf),
      mChannels(static_cast<std::size_t>(std::max(channels, 1))) {}

double Quantizer::Uniform() {
  // xorshift64*: plenty for dither, and the same on every machine.
  mState ^= mState >> 12;
  mState ^= mState << 25;
  mState ^= mState >> 27;
  const std::uint64_t bits = (mState * 0x2545F4914F6CDD1Dull) >> 11;
  return static_cast<double>(bits) * 0x1.0p-53 - 0.5;
}

void Quantizer::Convert(std::span<const double> in, std::span<std::int32_t> out) {
  const double scale = std::ldexp(1.0, mBits - 1);
  const double high = scale - 1.0;
  const int shift = 32 - mBits;
  mSilent.assign(mChannels, mDither);
  for (std::size_t i = 0; mDither && i < in.size(); ++i) {
    if (!(std::abs(in[i] * scale) < kSilentSteps)) mSilent[i % mChannels] = false;
  }
  for (std::size_t i = 0; i < in.size(); ++i) {
    double value = in[i] * scale;
    if (mSilent[i % mChannels]) {
      out[i] = 0;
      continue;
    }
    if (mDither && value != std::nearbyint(value)) value += Uniform() + Uniform();
    const double step = std::clamp(std::nearbyint(value), -scale, high);
    // NaN compares false with everything: make it silence.
    const auto integer = std::isnan(step) ? 0 : static_cast<std::int64_t>(step);
    out[i] = static_cast<std::int32_t>(static_cast<std::uint32_t>(integer) << shift);
  }
}
