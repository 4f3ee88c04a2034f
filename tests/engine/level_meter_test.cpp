#include "engine/level_meter.h"

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

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

// A muted track's meter (and both master meters in Mode 1) decays for as long
// as the session runs: it must end at zero, not on a subnormal it can never
// leave, which costs the audio thread dearly on every later sample.
TEST(LevelMeter, SilenceEndsAtZeroNotOnASubnormal) {
  LevelMeter meter(1.0);
  for (int i = 0; i < 60 * 48000; ++i)
    meter.Process(0.0, 48000.0);
  EXPECT_EQ(meter.State(), 0.0);
}

// The ballistics as written plainly: the step, the non-finite rule, then
// subnormal states taken as silence.
double PlainStep(double state, double input, double coefficient) {
  const double a = std::fabs(input);
  const double target = (a > state ? 1.0125 : 0.9875) * a;
  const double next = coefficient * (state - target) + target;
  const double kept = std::isfinite(next) ? next : state;
  return kept < DBL_MIN ? 0.0 : kept;
}

TEST(LevelMeter, StepGivesThePlainFormulasBitsInEveryLane) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  std::vector<double> states{0., 1., 0.25, 1e-310, 1e300, DBL_MAX};
  std::vector<double> inputs{0.,      -0.,      1e-320, 0.5,   -1.,         DBL_MAX / 1.0125,
                             DBL_MAX, -DBL_MAX, kInf,   -kInf, std::nan("")};
  std::mt19937 random(3);
  std::uniform_real_distribution<double> level(-2., 2.);
  for (int i = 0; i < 400; ++i) {
    states.push_back(std::fabs(level(random)));
    inputs.push_back(level(random));
  }
  using V = Lanes<2>;
  for (const double c : {0.9996519751487025, 0., 0.5, 1.}) {
    for (const double state : states) {
      for (std::size_t i = 0; i < inputs.size(); i += 2) {
        V in{}, expected{};
        for (std::size_t k = 0; k < 2; ++k) {
          in[k] = inputs[(i + k) % inputs.size()];
          expected[k] = PlainStep(state, in[k], c);
          ASSERT_EQ(std::bit_cast<std::uint64_t>(MeterStep(state, in[k], c)),
                    std::bit_cast<std::uint64_t>(expected[k]));
        }
        const V got = MeterStep(V{state, state}, in, c);
        for (std::size_t k = 0; k < 2; ++k)
          ASSERT_EQ(std::bit_cast<std::uint64_t>(got[k]),
                    std::bit_cast<std::uint64_t>(expected[k]));
      }
    }
  }
}

}  // namespace
