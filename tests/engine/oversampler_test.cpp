#include "engine/oversampler.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "engine/halfband.h"

namespace {

const auto kIdentity = [](double x) { return x; };

std::vector<double> ImpulseResponse(OverSampler<double>& os, int length) {
  std::vector<double> out;
  for (int i = 0; i < length; ++i)
    out.push_back(os.ProcessWith(i == 0 ? 1.0 : 0.0, kIdentity));
  return out;
}

// The allpass cells written out one by one, lane e on even cells, lane o on odd ones.
template <std::size_t NC>
struct ReferenceLanes {
  std::array<double, NC> c, x{}, y{};
  void Run(double& e, double& o) {
    for (std::size_t k = 0; k < NC; ++k) {
      double& s = k % 2 == 0 ? e : o;
      const double t = (s - y[k]) * c[k] + x[k];
      x[k] = s;
      y[k] = t;
      s = t;
    }
  }
};

template <int NC>
void ExpectStagesMatchReference(const std::array<double, NC>& coefs) {
  halfband::Upsampler2x<NC, double> up(coefs);
  halfband::Downsampler2x<NC, double> down(coefs);
  ReferenceLanes<NC> upRef{coefs}, downRef{coefs};
  std::mt19937_64 rng(NC);
  std::uniform_real_distribution<double> dist(-1.0, 1.0);
  for (int i = 0; i < 500; ++i) {
    double e = dist(rng);
    double o = e;
    const auto [first, second] = up.Process(e);
    upRef.Run(e, o);
    ASSERT_EQ(first, e);
    ASSERT_EQ(second, o);
    std::swap(e, o);  // the later sample runs through lane e
    downRef.Run(e, o);
    ASSERT_EQ(down.Process(first, second), 0.5 * (o + e));
  }
}

TEST(HalfbandStage, FollowsTheCellRecursionExactly) {
  halfband::Upsampler2x<12, double> up(halfband::kStage1Coefs);
  const auto [first, second] = up.Process(1.0);
  EXPECT_EQ(first, 0.0037350102544424285);
  EXPECT_EQ(second, 0.030255382075596245);

  ExpectStagesMatchReference<12>(halfband::kStage1Coefs);
  ExpectStagesMatchReference<4>(halfband::kStage2Coefs);
  ExpectStagesMatchReference<3>(halfband::kStage3Coefs);
  ExpectStagesMatchReference<2>(halfband::kStage4Coefs);
}

TEST(OverSampler, FourTimesImpulseResponse) {
  OverSampler<double> os(k4x, true, 1);
  const std::vector<double> expected = {
      6.962100616721473e-07, 0.00012610749720967976, 0.004188595430092329, 0.04865933292895764,
      0.246853251826607,     0.5603797158708782,     0.40844893852682634,  -0.26444779024817044};
  EXPECT_EQ(ImpulseResponse(os, 8), expected);
}

TEST(OverSampler, DirectCurrentPassesAtEveryFactor) {
  for (const EFactor factor : {k2x, k4x, k8x, k16x}) {
    OverSampler<double> os(factor, false, 1);
    double out = 0.0;
    for (int i = 0; i < 2000; ++i)
      out = os.ProcessWith(0.75, kIdentity);
    EXPECT_NEAR(out, 0.75, 1e-9) << factor;
  }
}

TEST(OverSampler, FunctionSeesUpsampledSamplesInTimeOrder) {
  halfband::Upsampler2x<12, double> up1(halfband::kStage1Coefs);
  halfband::Upsampler2x<4, double> up2(halfband::kStage2Coefs);
  OverSampler<double> os(k4x, true, 1);
  for (const double x : {1.0, -0.5, 0.25}) {
    const auto [a, b] = up1.Process(x);
    const auto [a0, a1] = up2.Process(a);
    const auto [b0, b1] = up2.Process(b);
    std::vector<double> seen;
    os.ProcessWith(x, [&seen](double s) { return seen.emplace_back(s); });
    EXPECT_EQ(seen, (std::vector<double>{a0, a1, b0, b1}));
  }
}

TEST(OverSampler, UnfilteredRatesCallFunctionDirectly) {
  for (const int factor : {0, 5, 7, 31, 1000, -1}) {
    OverSampler<double> os(static_cast<EFactor>(factor), true, 1);
    int calls = 0;
    EXPECT_EQ(os.ProcessWith(0.3, [&calls](double x) { return x * ++calls; }), 0.3) << factor;
  }
}

TEST(OverSampler, ResetClearsStateButKeepsCoefficients) {
  OverSampler<double> fresh(k4x, true, 2);
  OverSampler<double> used(k4x, true, 2);
  for (int i = 0; i < 100; ++i)
    used.ProcessWith(0.5 * (i % 7), kIdentity);
  used.Reset(64);
  EXPECT_EQ(ImpulseResponse(used, 32), ImpulseResponse(fresh, 32));
}

TEST(OverSampler, InlineAndFunctionObjectFormsAgreeBitForBit) {
  const auto shape = [](double x) { return x / (1.0 + x * x); };
  for (int factor = 0; factor <= 5; ++factor) {
    OverSampler<double> a(static_cast<EFactor>(factor), true, 1);
    OverSampler<double> b(static_cast<EFactor>(factor), true, 1);
    std::mt19937_64 rng(42);
    std::uniform_real_distribution<double> dist(-2.0, 2.0);
    for (int i = 0; i < 2000; ++i) {
      const double x = dist(rng);
      ASSERT_EQ(std::bit_cast<std::uint64_t>(a.Process(x, shape)),
                std::bit_cast<std::uint64_t>(b.ProcessWith(x, shape)))
          << "factor " << factor << " sample " << i;
    }
  }
}

TEST(OverSampler, BadInputsLeaveStateUsable) {
  OverSampler<double> os(k4x, true, 1);
  EXPECT_THROW(os.Process(1.0, std::function<double(double)>()), std::bad_function_call);
  OverSampler<double> reference(k4x, true, 1);
  EXPECT_EQ(ImpulseResponse(os, 8), ImpulseResponse(reference, 8));

  // A non-number is taken as silence instead of poisoning the filters for good.
  for (const double bad :
       {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
    EXPECT_EQ(os.ProcessWith(bad, kIdentity), reference.ProcessWith(0.0, kIdentity));
  }

  // Degenerate sizes still leave channel 0 and its buffers in place.
  OverSampler<double> tiny(k16x, true, 0);
  tiny.Reset(-5);
  EXPECT_EQ(tiny.ProcessWith(0.0, kIdentity), 0.0);
}

}  // namespace
