// Float samples to the integers of a file: full scale 1.0 becomes 2^(bits-1),
// rounded to the nearest step, clamped to the range. A value the integers
// cannot hold exactly gets triangular (TPDF) dither of one step peak first,
// so that the rounding error is noise, not distortion; one they hold, as
// from a file of as many bits or fewer, or silence, is written as it is.
// A channel whose whole block stays far below the last bit (under a
// sixteenth of a step, as a plug-in's denormal guard does) is silence: it
// becomes zeros, not dither noise. The dither sequence is fixed, so renders
// repeat.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "quor-host/output_format.h"

class Quantizer {
 public:
  Quantizer(SampleFormat format, Dither dither, int channels);
  // Integers in the top bits of 32, as libsndfile takes them for any width,
  // from a block of interleaved frames.
  void Convert(std::span<const double> in, std::span<std::int32_t> out);

 private:
  double Uniform();  // in [-0.5, 0.5)

  int mBits;
  bool mDither;
  std::size_t mChannels;
  std::vector<bool> mSilent;  // per channel, in the block at hand
  std::uint64_t mState = 0x9E3779B97F4A7C15ull;
};
