#include "engine/level_meter.h"

#include <cmath>
#include <limits>
#include <numbers>

#include <gtest/gtest.h>

namespace {

constexpr double kRate = 44100.0;

TEST(LevelMeter, DecaysFromFullScale) {
  EXPECT_EQ(std::exp(-4.60517018599 / (kRate * 0.3)), 0.9996519751487025);
  LevelMeter meter(1.0);
  EXPECT_EQ(meter.Process(0.0, kRate), 0.9996519751487025);
  for (int i = 1; i < 13230; ++i)
    meter.Process(0.0, kRate);
  EXPECT_NEAR(meter.State(), 0.01, 1e-12);
}

TEST(LevelMeter, SettlesOnConstantAndSine) {
  LevelMeter constant;
  for (int i = 0; i < 44100; ++i)
    constant.Process(0.5, kRate);
  for (int i = 0; i < 4410; ++i)
    EXPECT_NEAR(constant.Process(0.5, kRate), 0.5, 1.1e-6);

  LevelMeter sine;
  double sum = 0.0;
  for (int i = 0; i < 5 * 44100; ++i) {
    const double v = sine.Process(std::sin(2.0 * std::numbers::pi * 1000.0 * i / kRate), kRate);
    if (i >= 4 * 44100) sum += v;
  }
  EXPECT_NEAR(sum / 44100.0, 0.6409, 5e-4);
}

TEST(LevelMeter, NonFiniteSampleLeavesStateUsable) {
  LevelMeter meter(0.25);
  for (const double bad :
       {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
    EXPECT_EQ(meter.Process(bad, kRate), 0.25);
  }
  EXPECT_LT(meter.Process(0.0, kRate), 0.25);
}

}  // namespace
