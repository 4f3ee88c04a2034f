// The lane forms the track chain uses, at every width, give each channel
// exactly the bits of the one-channel forms.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstdint>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "engine/band_filters.h"
#include "engine/level_meter.h"
#include "engine/oversampler.h"
#include "engine/oversampler_bank.h"
#include "engine/saturation.h"

namespace {

constexpr int kChannels = 16;
constexpr int kMaxFrames = 32;

std::uint64_t Bits(double value) {
  return std::bit_cast<std::uint64_t>(value);
}

// Sixteen channels through oversampled saturation and two bands, as banks
// and one channel at a time; channels 5 and 6 skip their filters in every
// other block.
template <class V>
void ExpectBanksMatchSingleChannels() {
  constexpr int kWidth = kLaneCount<V>;
  std::mt19937 random(5);
  std::uniform_real_distribution<double> sample(-3., 3.), unit(0., 1.);

  auto overBank = std::make_unique<OverSamplerBank4x<kChannels, kMaxFrames>>();
  BandFilterBank<kChannels> highBank, lowBank;
  std::vector<std::unique_ptr<OverSampler<double>>> over;
  std::array<HighShelf, kChannels> high;
  std::array<LowShelf, kChannels> low;
  alignas(64) std::array<double, kChannels> drive{};
  for (int c = 0; c < kChannels; ++c) {
    over.push_back(std::make_unique<OverSampler<double>>(k4x, true, 1));
    high[c].Calc(48000., unit(random));
    low[c].Calc(48000., unit(random));
    highBank.SetCoefficients(c, high[c]);
    lowBank.SetCoefficients(c, low[c]);
    drive[c] = 0.1 + 4. * unit(random);
  }

  alignas(64) std::array<double, kMaxFrames * kChannels> in{}, out{};
  for (int block = 0; block < 40; ++block) {
    const int frames = 1 + block % kMaxFrames;
    alignas(64) std::array<std::uint64_t, kChannels> run{};
    for (int c = 0; c < kChannels; ++c)
      run[c] = (c == 5 || c == 6) && block % 2 ? 0 : ~std::uint64_t{0};
    for (double& s : in)
      s = sample(random);

    overBank->template Process<V>(in.data(), out.data(), frames, [&](V x, int lane) {
      return SaturateLanes(x, LoadLanes<V>(drive.data() + lane));
    });
    for (int lane = 0; lane < kChannels; lane += kWidth) {
      auto h = highBank.template Load<V>(lane);
      auto l = lowBank.template Load<V>(lane);
      for (int f = 0; f < frames; ++f) {
        double* at = out.data() + f * kChannels + lane;
        StoreLanes(at, l.Process(h.Process(LoadLanes<V>(at))));
      }
      highBank.template Store<V>(lane, h, LoadMask<V>(run.data() + lane));
      lowBank.template Store<V>(lane, l, LoadMask<V>(run.data() + lane));
    }

    for (int c = 0; c < kChannels; ++c) {
      for (int f = 0; f < frames; ++f) {
        const double d = drive[c];
        const double saturated =
            over[c]->ProcessWith(in[f * kChannels + c], [d](double x) { return Saturate(x, d); });
        if (!run[c]) continue;  // the bank's filters ran but must not have kept their state
        ASSERT_EQ(Bits(out[f * kChannels + c]), Bits(low[c].Process(high[c].Process(saturated))))
            << "width " << kWidth << " block " << block << " channel " << c << " frame " << f;
      }
    }
  }
}

TEST(Lanes, BanksMatchSingleChannelsBitForBit) {
  ExpectBanksMatchSingleChannels<Lanes<1>>();
  ExpectBanksMatchSingleChannels<Lanes<2>>();
  ExpectBanksMatchSingleChannels<Lanes<4>>();
  ExpectBanksMatchSingleChannels<Lanes<8>>();
}

template <class V>
void ExpectSpecialValuesPerLane() {
  constexpr int kWidth = kLaneCount<V>;
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::array<double, 9> values = {0., -0., inf, -inf, nan, 1e300, -1e-300, 0.5, -2.};
  for (std::size_t first = 0; first < values.size(); ++first) {
    alignas(64) std::array<double, kWidth> x{}, state{}, saturated{}, metered{};
    for (int l = 0; l < kWidth; ++l) {
      x[l] = values[(first + static_cast<std::size_t>(l)) % values.size()];
      state[l] = 0.25 * l;
    }
    StoreLanes(saturated.data(), SaturateLanes(LoadLanes<V>(x.data()), Splat<V>(2.)));
    StoreLanes(metered.data(),
               MeterStep(LoadLanes<V>(state.data()), LoadLanes<V>(x.data()), 0.999));
    for (int l = 0; l < kWidth; ++l) {
      EXPECT_EQ(Bits(saturated[l]), Bits(Saturate(x[l], 2.))) << x[l];
      EXPECT_EQ(Bits(metered[l]), Bits(MeterStep(state[l], x[l], 0.999))) << x[l];
    }
  }
}

TEST(Lanes, SpecialValuesPerLane) {
  ExpectSpecialValuesPerLane<Lanes<1>>();
  ExpectSpecialValuesPerLane<Lanes<2>>();
  ExpectSpecialValuesPerLane<Lanes<4>>();
  ExpectSpecialValuesPerLane<Lanes<8>>();
}

}  // namespace
