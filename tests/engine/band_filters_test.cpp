#include "engine/band_filters.h"

#include <cmath>
#include <complex>
#include <numbers>

#include <gtest/gtest.h>

namespace {

constexpr double kRate = 44100.0;

// Signed response at 0 Hz and Nyquist; magnitude anywhere, from the coefficients.
double AtDc(const BandFilter& f) {
  return (f.b0 + f.b1 + f.b2) / (f.a0 + f.a1 + f.a2);
}
double AtNyquist(const BandFilter& f) {
  return (f.b0 - f.b1 + f.b2) / (f.a0 - f.a1 + f.a2);
}
double Gain(const BandFilter& f, double hz) {
  const std::complex<double> z = std::polar(1.0, -2.0 * std::numbers::pi * hz / kRate);
  return std::abs((f.b0 + f.b1 * z + f.b2 * z * z) / (f.a0 + f.a1 * z + f.a2 * z * z));
}
double GainDb(const BandFilter& f, double hz) {
  return GainDb(f, hz, kRate);
}

template <typename Filter>
Filter Made(double g, double rate = kRate) {
  Filter f;
  f.Calc(rate, g);
  return f;
}

TEST(BandFilters, FlatAtMidSetting) {
  for (const double hz : {0.0, 100.0, 1600.0, 10000.0, 22050.0}) {
    EXPECT_NEAR(Gain(Made<HighShelf>(0.5), hz), 0.99998, 5e-6) << hz;
    EXPECT_NEAR(Gain(Made<MidBell>(0.5), hz), 0.99998, 5e-6) << hz;
    EXPECT_NEAR(Gain(Made<LowShelf>(0.5), hz), 0.99998, 5e-6) << hz;
  }
  EXPECT_LT(AtDc(Made<LowShelf>(0.5)), 0.0);  // polarity inverted
}

TEST(BandFilters, ExtremeSettings) {
  for (const double g : {0.0, 1.0}) {
    EXPECT_NEAR(AtDc(Made<HighShelf>(g)), -0.99998, 5e-6);
    EXPECT_NEAR(AtDc(Made<MidBell>(g)), -0.99998, 5e-6);
    EXPECT_NEAR(AtNyquist(Made<MidBell>(g)), -0.99998, 5e-6);
  }
  EXPECT_NEAR(AtDc(Made<LowShelf>(0.0)), -0.11654, 5e-6);
  EXPECT_NEAR(AtDc(Made<LowShelf>(1.0)), -8.5798, 5e-5);
  EXPECT_NEAR(AtNyquist(Made<HighShelf>(0.0)), -0.15510, 5e-6);
  EXPECT_NEAR(AtNyquist(Made<HighShelf>(1.0)), -6.4471, 5e-5);
  EXPECT_NEAR(Gain(Made<MidBell>(0.0), 1593.0), 9.3469, 5e-4);
  EXPECT_NEAR(Gain(Made<MidBell>(1.0), 1593.0), 0.10698, 5e-5);
}

TEST(BandFilters, ShapesAtFullSetting) {
  EXPECT_NEAR(GainDb(Made<HighShelf>(1.0), 5100.0), 8.1, 0.2);
  EXPECT_NEAR(GainDb(Made<LowShelf>(1.0), 385.0), 9.3, 0.2);
  const MidBell bell = Made<MidBell>(0.0);
  const double peak = GainDb(bell, 1593.0);
  for (const double hz : {1500.0, 1700.0})
    EXPECT_LT(GainDb(bell, hz), peak);
  for (const double hz : {720.0, 3500.0})
    EXPECT_GT(GainDb(bell, hz), peak / 2);
  for (const double hz : {650.0, 3800.0})
    EXPECT_LT(GainDb(bell, hz), peak / 2);
}

// What hosts are shown of a setting is computed at one rate: it must hold at all.
TEST(BandFilters, GainsAtTheBandsAreTheSameAtEveryRate) {
  for (const double g : {0.0, 0.3, 1.0}) {
    const double high = GainDb(Made<HighShelf>(g), kRate / 2);
    const double low = GainDb(Made<LowShelf>(g), 0.0);
    EXPECT_NEAR(20.0 * std::log10(Gain(Made<HighShelf>(g), kRate / 2)), high, 1e-12);
    for (const double rate : {22050.0, 48000.0, 96000.0, 192000.0}) {
      EXPECT_NEAR(GainDb(Made<HighShelf>(g, rate), rate / 2, rate), high, 1e-9) << rate;
      EXPECT_NEAR(GainDb(Made<LowShelf>(g, rate), 0.0, rate), low, 1e-9) << rate;
    }
  }
}

TEST(BandFilters, DivisorPositiveForEveryRateAndSetting) {
  for (double rate = 0.0; rate <= 768000.0; rate += 1000.0) {
    for (double g = 0.0; g <= 1.0; g += 0.0625) {
      EXPECT_GT(Made<HighShelf>(g, rate).a0, 0.0);
      EXPECT_GT(Made<MidBell>(g, rate).a0, 0.0);
      EXPECT_GT(Made<LowShelf>(g, rate).a0, 0.0);
    }
  }
}

TEST(BandFilters, NewSettingKeepsHistory) {
  LowShelf f;
  f.Calc(kRate, 0.3);
  const double y0 = f.Process(0.25);
  const double y1 = f.Process(-0.5);
  f.Calc(96000.0, 0.9);
  EXPECT_EQ(f.x1, -0.5);
  EXPECT_EQ(f.x2, 0.25);
  EXPECT_EQ(f.y1, y1);
  EXPECT_EQ(f.y2, y0);
}

}  // namespace
