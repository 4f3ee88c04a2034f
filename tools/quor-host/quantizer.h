// Float samples to the integers of a file: full scale 1.0 becomes 2^(bits-1),
// rounded to the nearest step, clamped to the range. A value the integers
// cannot hold exactly gets triangular (TPDF) dither of one step peak first,
// so that the rounding error is noise, not distortion; one they hold, as
// from a file of as many bits or fewer, or silence, is written as it is.
// The dither sequence is fixed, so renders repeat.
#pragma once

#include <cstdint>
#include <span>

#include "quor-host/output_format.h"

class Quantizer {
 public:
  Quantizer(SampleFormat format, Dither dither);
  // Integers in the top bits of 32, as libsndfile takes them for any width.
  void Convert(std::span<const double> in, std::span<std::int32_t> out);

 private:
  double Uniform();  // in [-0.5, 0.5)

  int mBits;
  bool mDither;
  std::uint64_t mState = 0x9E3779B97F4A7C15ull;
};
