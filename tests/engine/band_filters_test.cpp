#include "engine/band_filters.h"

#include <cmath>
#include <complex>
#include <numbers>

#include <gtest/gtest.h>

namespace {

constexpr double kRate = 44100.0;

// Signed gain at 0 Hz and at the Nyquist frequency, straight from the coefficients.
double GainAtDc(const BandFilter& f) {
  return (f.b0 + f.b1 + f.b2) / (f.a0 + f.a1 + f.a2);
}
double GainAtNyquist(const BandFilter& f) {
  return (f.b0 - f.b1 + f.b2) / (f.a0 - f.a1 + f.a2);
}

double Gain(const BandFilter& f, double hz) {
  const std::complex<double> z1 = std::polar(1.0, -2.0 * std::numbers::pi * hz / kRate);
  const std::complex<double> z2 = z1 * z1;
  return std::abs((f.b0 + f.b1 * z1 + f.b2 * z2) / (f.a0 + f.a1 * z1 + f.a2 * z2));
}

double GainDb(const BandFilter& f, double hz) {
  return 20.0 * std::log10(Gain(f, hz));
}

template <typename Filter>
Filter Made(double g) {
  Filter f;
  f.Calc(kRate, g);
  return f;
}

TEST(BandFilters, FlatAtMidSettingWithInvertedPolarity) {
  for (const double hz : {0.0, 100.0, 1600.0, 10000.0, 22050.0}) {
    EXPECT_NEAR(Gain(Made<HighShelf>(0.5), hz), 0.99998, 5e-6) << hz;
    EXPECT_NEAR(Gain(Made<MidBell>(0.5), hz), 0.99998, 5e-6) << hz;
    EXPECT_NEAR(Gain(Made<LowShelf>(0.5), hz), 0.99998, 5e-6) << hz;
  }
  EXPECT_NEAR(GainAtDc(Made<LowShelf>(0.5)), -0.99998, 5e-6);
}

TEST(BandFilters, ShelfAndBellExtremes) {
  for (const double g : {0.0, 1.0}) {
    EXPECT_NEAR(GainAtDc(Made<HighShelf>(g)), -0.99998, 5e-6);
    EXPECT_NEAR(GainAtDc(Made<MidBell>(g)), -0.99998, 5e-6);
    EXPECT_NEAR(GainAtNyquist(Made<MidBell>(g)), -0.99998, 5e-6);
  }
  EXPECT_NEAR(GainAtDc(Made<LowShelf>(0.0)), -0.11654, 5e-6);
  EXPECT_NEAR(GainAtDc(Made<LowShelf>(1.0)), -8.5798, 5e-5);
  EXPECT_NEAR(GainAtNyquist(Made<HighShelf>(0.0)), -0.15510, 5e-6);
  EXPECT_NEAR(GainAtNyquist(Made<HighShelf>(1.0)), -6.4471, 5e-5);
  EXPECT_NEAR(GainDb(Made<MidBell>(0.0), 1593.0), 19.41, 0.01);
  EXPECT_NEAR(GainDb(Made<MidBell>(1.0), 1593.0), -19.41, 0.01);
}

TEST(BandFilters, HalfGainFrequencies) {
  EXPECT_NEAR(GainDb(Made<HighShelf>(1.0), 5100.0), 8.1, 0.2);
  EXPECT_NEAR(GainDb(Made<LowShelf>(1.0), 385.0), 9.3, 0.2);
  const MidBell bell = Made<MidBell>(0.0);
  const double peak = GainDb(bell, 1593.0);
  EXPECT_LT(GainDb(bell, 1500.0), peak);
  EXPECT_LT(GainDb(bell, 1700.0), peak);
  EXPECT_GT(GainDb(bell, 720.0), peak / 2);
  EXPECT_GT(GainDb(bell, 3500.0), peak / 2);
  EXPECT_LT(GainDb(bell, 650.0), peak / 2);
  EXPECT_LT(GainDb(bell, 3800.0), peak / 2);
}

TEST(BandFilters, DivisorPositiveForEveryRateAndSetting) {
  for (double rate = 0.0; rate <= 768000.0; rate += 1000.0) {
    for (double g = 0.0; g <= 1.0; g += 0.0625) {
      EXPECT_GT(Made<HighShelf>(g).a0, 0.0);
      EXPECT_GT(Made<MidBell>(g).a0, 0.0);
      EXPECT_GT(Made<LowShelf>(g).a0, 0.0);
    }
  }
}

TEST(BandFilters, RecursionAndStateSurviveNewSetting) {
  LowShelf f;
  f.Calc(kRate, 0.3);
  const double y0 = f.Process(0.25);
  EXPECT_EQ(y0, f.b0 * 0.25 / f.a0);
  const double y1 = f.Process(-0.5);
  EXPECT_EQ(y1, (f.b0 * -0.5 + f.b1 * 0.25 - f.a1 * y0) / f.a0);
  f.Calc(96000.0, 0.9);
  EXPECT_EQ(f.x1, -0.5);
  EXPECT_EQ(f.x2, 0.25);
  EXPECT_EQ(f.y1, y1);
  EXPECT_EQ(f.y2, y0);
}

}  // namespace
