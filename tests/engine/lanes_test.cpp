// The two-channel forms the track chain uses give each channel exactly the
// bits of the one-channel forms.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <random>

#include "engine/band_filters.h"
#include "engine/oversampler.h"
#include "engine/saturation.h"

namespace {

std::uint64_t Bits(double value) {
  return std::bit_cast<std::uint64_t>(value);
}

}  // namespace

TEST(Lanes, PairsMatchSingleChannelsBitForBit) {
  std::mt19937 random(5);
  std::uniform_real_distribution<double> sample(-3., 3.);
  OverSampler<double> left(k4x, true, 1), right(k4x, true, 1);
  OverSampler<DoublePair> both(k4x, true, 1);
  HighShelf highL, highR;
  StereoBandFilter<HighShelf> high;
  LowShelf lowL, lowR;
  StereoBandFilter<LowShelf> low;
  highL.Calc(48000., 0.8);
  highR.Calc(48000., 0.8);
  high.Calc(48000., 0.8);
  lowL.Calc(48000., 0.1);
  lowR.Calc(48000., 0.1);
  low.Calc(48000., 0.1);
  const double drive = 3.7;
  for (int i = 0; i < 5000; ++i) {
    const double l = sample(random), r = sample(random);
    const double outL = lowL.Process(
        highL.Process(left.ProcessWith(l, [drive](double x) { return Saturate(x, drive); })));
    const double outR = lowR.Process(
        highR.Process(right.ProcessWith(r, [drive](double x) { return Saturate(x, drive); })));
    const DoublePair out = low.Process(high.Process(both.ProcessWith(
        DoublePair{l, r}, [drive](DoublePair x) { return SaturatePair(x, drive); })));
    ASSERT_EQ(Bits(out[0]), Bits(outL)) << i;
    ASSERT_EQ(Bits(out[1]), Bits(outR)) << i;
  }
}

TEST(Lanes, SpecialValuesPerLane) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (const double x : {0., -0., inf, -inf, nan, 1e300, -1e-300}) {
    const DoublePair pair = SaturatePair(DoublePair{x, -x}, 2.);
    EXPECT_EQ(Bits(pair[0]), Bits(Saturate(x, 2.)));
    EXPECT_EQ(Bits(pair[1]), Bits(Saturate(-x, 2.)));
  }
}
