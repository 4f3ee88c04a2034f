#include "engine/saturation.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include <gtest/gtest.h>

namespace {

float FloatAt(std::size_t offset) {
  std::uint32_t word = 0;
  for (std::size_t b = 0; b < 4; ++b)
    word |= static_cast<std::uint32_t>(kSaturationTable[offset + b]) << (8 * b);
  return std::bit_cast<float>(word);
}

TEST(Saturation, TableHeaderReadsBack) {
  EXPECT_EQ(static_cast<double>(FloatAt(0)), 0.0);
  EXPECT_EQ(static_cast<double>(FloatAt(4)), 0.8333110213279724);
  EXPECT_EQ(static_cast<double>(FloatAt(8)), 142.14300537109375);
  EXPECT_EQ(kSaturationTable[12], 200);
  EXPECT_EQ(kSaturationTable[13] | kSaturationTable[14] | kSaturationTable[15], 0);
  EXPECT_EQ(FloatAt(16 + 4 * 199), 0.83331144f);
}

TEST(Saturation, CurveAtUnitDrive) {
  const struct {
    double x, result, tolerance;
  } cases[] = {{0.000001, -1.96832e-07, 5e-13}, {0.1, -0.0192204, 5e-8}, {0.5, -0.0852074, 5e-8},
               {1.0, -0.149083, 5e-7},          {2.0, -0.238476, 5e-7},  {10.0, -0.458351, 5e-7},
               {100.0, -0.578303, 5e-7}};
  for (const auto& c : cases)
    EXPECT_NEAR(Saturate(c.x, 1.0), c.result, c.tolerance) << c.x;
}

TEST(Saturation, SlopeSymmetryAndLimit) {
  EXPECT_NEAR(Saturate(1e-7, 2.0) / 2e-7, -0.196832, 1e-6);
  for (const double x : {0.001, 0.3, 7.0, 1e6})
    EXPECT_EQ(Saturate(-x, 1.5), -Saturate(x, 1.5)) << x;
  EXPECT_NEAR(Saturate(1e300, 1.0), -0.59562396, 5e-9);
  EXPECT_GT(Saturate(-std::numeric_limits<double>::max(), 1.0), 0.59);
  EXPECT_TRUE(std::signbit(Saturate(0.0, 1.0)));
  EXPECT_FALSE(std::signbit(Saturate(-0.0, 1.0)));
}

TEST(Saturation, NonFiniteInputGivesSilence) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (const double x : {inf, -inf, nan})
    EXPECT_EQ(Saturate(x, 1.0), 0.0) << x;
  EXPECT_EQ(Saturate(0.5, inf), 0.0);
  EXPECT_EQ(Saturate(0.5, nan), 0.0);
}

}  // namespace
