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
#include "engine/frame_layout.h"
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

  auto overBank = std::make_unique<OverSamplerBank4x<kChannels>>();
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

    using History = typename BandFilterBank<kChannels>::template History<V>;
    History h[kChannels / kWidth], l[kChannels / kWidth];
    for (int lane = 0; lane < kChannels; lane += kWidth) {
      h[lane / kWidth] = highBank.template Load<V>(lane);
      l[lane / kWidth] = lowBank.template Load<V>(lane);
    }
    // Frame by frame, every stage of one frame before the next: the order
    // of operations within each channel is the same in any schedule.
    for (int f = 0; f < frames; ++f) {
      for (int lane = 0; lane < kChannels; lane += kWidth) {
        auto state = overBank->template Load<V>(lane);
        V twice[2], four[4];
        overBank->Up1(state, LoadLanes<V>(in.data() + f * kChannels + lane), twice);
        overBank->Up2(state, twice, four);
        for (V& x : four)
          x = SaturateLanes(x, LoadLanes<V>(drive.data() + lane));
        overBank->Down2(state, four, twice);
        const V once = overBank->Down1(state, twice);
        overBank->Store(lane, state);
        const int g = lane / kWidth;
        StoreLanes(out.data() + f * kChannels + lane,
                   lowBank.Process(l[g], lane, highBank.Process(h[g], lane, once)));
      }
    }
    for (int lane = 0; lane < kChannels; lane += kWidth) {
      highBank.template Store<V>(lane, h[lane / kWidth], LoadMask<V>(run.data() + lane));
      lowBank.template Store<V>(lane, l[lane / kWidth], LoadMask<V>(run.data() + lane));
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

// Bands in series with one history: each channel's output and, after a block
// in which some lanes ran without keeping it, the history the others kept,
// as single filters give them; blocks of one frame take their history from
// the block before.
template <class V>
void ExpectCascadeMatchesFiltersInSeries() {
  constexpr int kWidth = kLaneCount<V>;
  std::mt19937 random(11);
  std::uniform_real_distribution<double> sample(-2., 2.), unit(0., 1.);
  BandCascadeBank<kChannels, 2> bank;
  std::array<HighShelf, kChannels> high;
  std::array<LowShelf, kChannels> low;
  for (int c = 0; c < kChannels; ++c) {
    high[c].Calc(44100., unit(random));
    low[c].Calc(44100., unit(random));
    bank.SetCoefficients(0, c, high[c]);
    bank.SetCoefficients(1, c, low[c]);
  }
  for (const int frames : {5, 1, 1, 9}) {
    for (int lane = 0; lane < kChannels; lane += kWidth) {
      // Rows of the input and both outputs, two frames of history first.
      std::vector<double> rows(static_cast<std::size_t>(3 * (frames + 2) * kWidth));
      const auto row = [&](int k, int f) {
        return rows.data() + (k * (frames + 2) + f + 2) * kWidth;
      };
      double* const older[] = {row(0, -2), row(1, -2), row(2, -2)};
      double* const last[] = {row(0, -1), row(1, -1), row(2, -1)};
      bank.template LoadHistory<V>(lane, older, last);
      for (int f = 0; f < frames; ++f) {
        for (int l = 0; l < kWidth; ++l)
          row(0, f)[l] = sample(random);
        for (int k = 0; k < 2; ++k)
          StoreLanes(row(k + 1, f),
                     bank.Output(k, lane, LoadLanes<V>(row(k, f)), LoadLanes<V>(row(k, f - 1)),
                                 LoadLanes<V>(row(k, f - 2)), LoadLanes<V>(row(k + 1, f - 1)),
                                 LoadLanes<V>(row(k + 1, f - 2))));
      }
      // Lane 1 of every vector runs without keeping its history in the first block.
      alignas(64) std::array<std::uint64_t, kWidth> run{};
      for (int l = 0; l < kWidth; ++l)
        run[l] = frames == 5 && l == 1 ? 0 : ~std::uint64_t{0};
      double* const older2[] = {row(0, frames - 2), row(1, frames - 2), row(2, frames - 2)};
      double* const last2[] = {row(0, frames - 1), row(1, frames - 1), row(2, frames - 1)};
      bank.template StoreHistory<V>(lane, older2, last2, LoadMask<V>(run.data()));
      for (int l = 0; l < kWidth; ++l) {
        if (!run[l]) continue;
        const int c = lane + l;
        for (int f = 0; f < frames; ++f)
          ASSERT_EQ(Bits(row(2, f)[l]), Bits(low[c].Process(high[c].Process(row(0, f)[l]))))
              << "width " << kWidth << " frames " << frames << " channel " << c << " frame " << f;
      }
    }
  }
}

TEST(Lanes, CascadeMatchesFiltersInSeries) {
  ExpectCascadeMatchesFiltersInSeries<Lanes<1>>();
  ExpectCascadeMatchesFiltersInSeries<Lanes<2>>();
  ExpectCascadeMatchesFiltersInSeries<Lanes<4>>();
  ExpectCascadeMatchesFiltersInSeries<Lanes<8>>();
}

// Channel buffers to frame-major samples and back, whole squares and the rest.
template <class V>
void ExpectFramesRoundTrip() {
  constexpr int kFrames = 19;
  std::vector<std::vector<double>> channels(kChannels, std::vector<double>(kFrames + 3));
  std::vector<double*> pointers;
  for (int c = 0; c < kChannels; ++c) {
    for (int f = 0; f < kFrames + 3; ++f)
      channels[c][f] = 100. * c + f;
    pointers.push_back(channels[c].data());
  }
  std::array<double, kFrames * kChannels> frames{};
  CopyTransposed<V, kChannels>(ChannelBuffers{pointers.data(), 3},
                               FrameBuffer<kChannels>{frames.data()}, kFrames);
  for (int f = 0; f < kFrames; ++f)
    for (int c = 0; c < kChannels; ++c)
      ASSERT_EQ(frames[f * kChannels + c], 100. * c + f + 3) << kLaneCount<V>;
  for (double& s : frames)
    s = -s;
  CopyTransposed<V, kChannels>(FrameBuffer<kChannels>{frames.data()},
                               ChannelBuffers{pointers.data(), 3}, kFrames);
  for (int c = 0; c < kChannels; ++c) {
    EXPECT_EQ(channels[c][2], 100. * c + 2);  // before the offset: untouched
    for (int f = 0; f < kFrames; ++f)
      ASSERT_EQ(channels[c][f + 3], -(100. * c + f + 3)) << kLaneCount<V>;
  }
}

TEST(Lanes, FrameMajorRoundTrip) {
  ExpectFramesRoundTrip<Lanes<1>>();
  ExpectFramesRoundTrip<Lanes<2>>();
  ExpectFramesRoundTrip<Lanes<4>>();
  ExpectFramesRoundTrip<Lanes<8>>();
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

// The in-place run over many vectors, at every length its schedule treats
// apart, gives each vector the bits of SaturateLanes.
template <class V>
void ExpectSaturationInPlaceMatchesLanes() {
  constexpr int kWidth = kLaneCount<V>;
  const double inf = std::numeric_limits<double>::infinity();
  std::mt19937 random(9);
  std::uniform_real_distribution<double> sample(-4., 4.);
  for (const int count : {1, 2, 3, 8}) {
    std::vector<double> samples(static_cast<std::size_t>(count * kWidth));
    for (double& s : samples)
      s = sample(random);
    samples[0] = inf;
    samples.back() = -0.;
    std::vector<double> expected = samples;
    const V drive = Splat<V>(1.7);
    for (int i = 0; i < count; ++i)
      StoreLanes(expected.data() + i * kWidth,
                 SaturateLanes(LoadLanes<V>(expected.data() + i * kWidth), drive));
    SaturateInPlace(samples.data(), count, drive);
    for (std::size_t k = 0; k < samples.size(); ++k)
      ASSERT_EQ(Bits(samples[k]), Bits(expected[k])) << kWidth << " count " << count << " at " << k;
  }
}

TEST(Lanes, SaturationInPlaceMatchesLanes) {
  ExpectSaturationInPlaceMatchesLanes<Lanes<1>>();
  ExpectSaturationInPlaceMatchesLanes<Lanes<2>>();
  ExpectSaturationInPlaceMatchesLanes<Lanes<4>>();
  ExpectSaturationInPlaceMatchesLanes<Lanes<8>>();
}

TEST(Lanes, SpecialValuesPerLane) {
  ExpectSpecialValuesPerLane<Lanes<1>>();
  ExpectSpecialValuesPerLane<Lanes<2>>();
  ExpectSpecialValuesPerLane<Lanes<4>>();
  ExpectSpecialValuesPerLane<Lanes<8>>();
}

}  // namespace
