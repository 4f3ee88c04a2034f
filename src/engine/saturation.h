#pragma once

#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "engine/lanes.h"

// The waveshaper's curve travels as an 816-byte little-endian table: a 16-byte
// header (float origin, float unused, float scale, int32 count) and then the
// output magnitudes as floats. It is built and read back at compile time, so
// the values used are exactly the stored floats and nothing runs at start-up.
namespace saturation_table {

inline constexpr std::size_t kHeaderBytes = 16;
inline constexpr std::size_t kTableBytes = 816;
inline constexpr std::size_t kCapacity = (kTableBytes - kHeaderBytes) / 4;

inline constexpr std::array<float, kCapacity> kMagnitudes = {
    0.0f,         0.0041542416f, 0.008397014f, 0.0125473775f, 0.016793346f,
    0.020940382f, 0.025189007f,  0.029333245f, 0.033584006f,  0.037725955f,  // 0-9
    0.041978348f, 0.046118505f,  0.050372053f, 0.05451088f,   0.05876513f,
    0.06290307f,  0.06715759f,   0.07129506f,  0.075549446f,  0.079686835f,  // 10-19
    0.08394071f,  0.08807838f,   0.0923314f,   0.09646969f,   0.10072153f,
    0.104860745f, 0.109111115f,  0.11325153f,  0.11750016f,   0.12164203f,  // 20-29
    0.12588869f,  0.13003224f,   0.13427672f,  0.13842215f,   0.14266425f,
    0.14681171f,  0.1510513f,    0.15520096f,  0.1594379f,    0.16358985f,  // 30-39
    0.16782402f,  0.17197838f,   0.1762097f,   0.18036655f,   0.18459496f,
    0.18875432f,  0.1929798f,    0.1971417f,   0.20136422f,   0.20552869f,  // 40-49
    0.20974824f,  0.21391527f,   0.21813187f,  0.22230142f,   0.22651511f,
    0.23068716f,  0.23489797f,   0.23907246f,  0.24328047f,   0.24745731f,  // 50-59
    0.25166258f,  0.25584173f,   0.26004437f,  0.2642257f,    0.26842576f,
    0.2726092f,   0.27680683f,   0.28099224f,  0.28518754f,   0.28937483f,  // 60-69
    0.2935679f,   0.29775694f,   0.30194792f,  0.3061386f,    0.31032762f,
    0.3145198f,   0.31870696f,   0.32290053f,  0.32708597f,   0.33128077f,  // 70-79
    0.33546463f,  0.33966056f,   0.34384295f,  0.34803987f,   0.35222095f,
    0.35641873f,  0.3605986f,    0.3647971f,   0.3689759f,    0.373175f,  // 80-89
    0.3773529f,   0.38155246f,   0.3857295f,   0.38992944f,   0.3941058f,
    0.39830598f,  0.4024817f,    0.40668204f,  0.4108573f,    0.41505766f,  // 90-99
    0.4192325f,   0.42343283f,   0.42760736f,  0.43180755f,   0.43598187f,
    0.44018182f,  0.444356f,     0.44855565f,  0.4527298f,    0.45692906f,  // 100-109
    0.4611032f,   0.46530202f,   0.46947622f,  0.47367454f,   0.4778489f,
    0.48204663f,  0.48622116f,   0.4904183f,   0.49459305f,   0.49878952f,  // 110-119
    0.50296456f,  0.50716037f,   0.51133573f,  0.51553077f,   0.5197064f,
    0.52390075f,  0.52807677f,   0.5322703f,   0.53644675f,   0.54063946f,  // 120-129
    0.5448163f,   0.5490082f,    0.55318546f,  0.55737656f,   0.5615542f,
    0.5657445f,   0.56992257f,   0.57411206f,  0.5782905f,    0.5824792f,  // 130-139
    0.58665806f,  0.59084594f,   0.5950252f,   0.5992123f,    0.6033919f,
    0.6075782f,   0.61175823f,   0.6159438f,   0.6201241f,    0.62430894f,  // 140-149
    0.6284896f,   0.63267374f,   0.63685465f,  0.6410381f,    0.6452193f,
    0.64940214f,  0.6535835f,    0.65776575f,  0.66194737f,   0.66612893f,  // 150-159
    0.6703108f,   0.67449176f,   0.67867374f,  0.6828542f,    0.68703634f,
    0.69121623f,  0.69539845f,   0.6995779f,   0.7037602f,    0.7079392f,  // 160-169
    0.71212155f,  0.7163001f,    0.7204824f,   0.7246606f,    0.7288429f,
    0.73302066f,  0.737203f,     0.7413804f,   0.7455626f,    0.7497397f,  // 170-179
    0.75392187f,  0.75809866f,   0.7622807f,   0.7664572f,    0.7706391f,
    0.7748154f,   0.7789971f,    0.78317314f,  0.7873547f,    0.7915305f,  // 180-189
    0.7957119f,   0.7998875f,    0.8040686f,   0.80824405f,   0.81242496f,
    0.81660026f,  0.82078093f,   0.82495606f,  0.82913643f,   0.83331144f,  // 190-199
};

constexpr void PutWord(std::array<unsigned char, kTableBytes>& bytes, std::size_t offset,
                       std::uint32_t word) {
  for (std::size_t b = 0; b < 4; ++b)
    bytes[offset + b] = static_cast<unsigned char>(word >> (8 * b));
}

constexpr std::array<unsigned char, kTableBytes> Encode() {
  std::array<unsigned char, kTableBytes> bytes{};
  PutWord(bytes, 0, std::bit_cast<std::uint32_t>(0.0f));
  PutWord(bytes, 4, std::bit_cast<std::uint32_t>(0.833311f));
  PutWord(bytes, 8, std::bit_cast<std::uint32_t>(142.143f));
  PutWord(bytes, 12, std::bit_cast<std::uint32_t>(static_cast<std::int32_t>(kCapacity)));
  for (std::size_t i = 0; i < kCapacity; ++i)
    PutWord(bytes, kHeaderBytes + 4 * i, std::bit_cast<std::uint32_t>(kMagnitudes[i]));
  return bytes;
}

}  // namespace saturation_table

inline constexpr std::array<unsigned char, saturation_table::kTableBytes> kSaturationTable =
    saturation_table::Encode();

namespace saturation_table {

constexpr std::uint32_t GetWord(std::size_t offset) {
  std::uint32_t word = 0;
  for (std::size_t b = 0; b < 4; ++b)
    word |= static_cast<std::uint32_t>(kSaturationTable[offset + b]) << (8 * b);
  return word;
}

constexpr double GetFloat(std::size_t offset) {
  return static_cast<double>(std::bit_cast<float>(GetWord(offset)));
}

// The curve as the stage reads it: header fields and magnitudes widened to double.
struct Curve {
  double origin = 0.0;
  double scale = 0.0;
  int count = 0;
  std::array<double, kCapacity> magnitudes{};
};

constexpr Curve Decode() {
  Curve curve;
  curve.origin = GetFloat(0);
  curve.scale = GetFloat(8);
  curve.count = std::bit_cast<std::int32_t>(GetWord(12));
  for (std::size_t i = 0; i < kCapacity; ++i)
    curve.magnitudes[i] = GetFloat(kHeaderBytes + 4 * i);
  return curve;
}

inline constexpr Curve kCurve = Decode();
// The count drives the table reads, so it must stay within the stored values.
static_assert(kCurve.count >= 1 && static_cast<std::size_t>(kCurve.count) <= kCapacity);

}  // namespace saturation_table

namespace saturation_table {

inline constexpr int kLast = kCurve.count - 1;
inline constexpr double kSilence = kCurve.magnitudes[0];

// Entry i and entry i + 1 side by side at 2i and 2i + 1, for every i that
// interpolates: the two values a position needs, read at once.
constexpr std::array<double, 2 * kCapacity> Neighbours() {
  std::array<double, 2 * kCapacity> pairs{};
  for (int i = 0; i < kLast; ++i) {
    pairs[static_cast<std::size_t>(2 * i)] = kCurve.magnitudes[static_cast<std::size_t>(i)];
    pairs[static_cast<std::size_t>(2 * i + 1)] = kCurve.magnitudes[static_cast<std::size_t>(i + 1)];
  }
  return pairs;
}
alignas(64) inline constexpr std::array<double, 2 * kCapacity> kNeighbours = Neighbours();

// With the stored header the compressed magnitude u in [0, 1] lands at a
// position p in [0, scale], inside the table: the clamps below and above it
// are never reached, and only a NaN position (from an infinite or NaN input)
// falls outside. Pinned here, so that the cases below stay the whole curve.
static_assert(kCurve.origin == 0.0 && kCurve.scale * (1.0 - kCurve.origin) < kLast);
static_assert(kSilence == 0.0);

// Step 4 of the curve: the position in the table of a compressed magnitude u.
template <class V>
[[gnu::always_inline]] inline V PositionOf(V u) {
  return kCurve.scale * (u - kCurve.origin);
}

// Step 5: where position p falls between two table entries. Truncating is
// only defined inside the int range: a NaN position (from an infinite or NaN
// input) is taken as 0, where the curve gives silence, the first entry.
template <class V>
struct TablePlace {
  LaneIndex<V> index;
  V fraction;
};
template <class V>
[[gnu::always_inline]] inline TablePlace<V> PlaceOf(V p) {
  const V position = PositiveOrZero(p);
  return {TruncateToIndex(position), position - Truncate(position)};
}

// Step 6: the table magnitude at a place, never negative, never -0.
template <class V>
[[gnu::always_inline]] inline V MagnitudeAt(const TablePlace<V>& place) {
  V below, above;
  ReadPairs<V>(kNeighbours.data(), place.index, below, above);
  return (1.0 - place.fraction) * below + place.fraction * above;
}
// What position 0 interpolates to, bit for bit: +0.
static_assert(std::bit_cast<std::uint64_t>((1.0 - 0.0) * kCurve.magnitudes[0] +
                                           0.0 * kCurve.magnitudes[1]) ==
              std::bit_cast<std::uint64_t>(kSilence));

// Steps 2 and 3: the driven sample's magnitude squeezed into [0, 1].
template <class V>
[[gnu::always_inline]] inline V Compressed(V driven) {
  const V a = Abs(driven);
  return a / (3.0 + a);
}

}  // namespace saturation_table

// Drives x by `drive`, squeezes the magnitude into [0, 1) with a / (3 + a),
// reads the output magnitude from the table by linear interpolation and gives
// it the sign opposite to the driven input (the stage inverts polarity).
// Lane by lane for vectors of channels, each with its own drive.
template <class V>
[[gnu::always_inline]] inline V SaturateLanes(V x, V drive) {
  using namespace saturation_table;
  const V v = x * drive;
  return WithSignOpposite(MagnitudeAt(PlaceOf(PositionOf(Compressed(v)))), v);
}

inline double Saturate(double x, double drive) {
  return SaturateLanes(x, drive);
}

// SaturateLanes on `count` vectors in place, `drive` for every one. Each
// sample's steps run in three rounds, the division, then the place in the
// table, then the table reads, each beside the other rounds of the samples
// before and after it: the reads wait on the division and the division is
// slow, and a processor finds the work of other samples in between only
// within a short window of instructions.
template <class V>
[[gnu::always_inline]] inline void SaturateInPlace(double* samples, int count, V drive) {
  using namespace saturation_table;
  constexpr int kWidth = kLaneCount<V>;
  const auto at = [samples](int i) __attribute__((always_inline)) {
    return samples + kWidth * i;
  };
  if (count < 2) {
    for (int i = 0; i < count; ++i)
      StoreLanes(at(i), SaturateLanes(LoadLanes<V>(at(i)), drive));
    return;
  }
  // Sample i is read from the table while sample i + 1 finds its place and
  // sample i + 2 divides.
  V driven = LoadLanes<V>(at(0)) * drive;
  TablePlace<V> place = PlaceOf(PositionOf(Compressed(driven)));
  V nextDriven = LoadLanes<V>(at(1)) * drive;
  V nextCompressed = Compressed(nextDriven);
  for (int i = 0; i + 2 < count; ++i) {
    const V laterDriven = LoadLanes<V>(at(i + 2)) * drive;
    const V laterCompressed = Compressed(laterDriven);
    const TablePlace<V> nextPlace = PlaceOf(PositionOf(nextCompressed));
    StoreLanes(at(i), WithSignOpposite(MagnitudeAt(place), driven));
    driven = nextDriven;
    place = nextPlace;
    nextDriven = laterDriven;
    nextCompressed = laterCompressed;
  }
  StoreLanes(at(count - 2), WithSignOpposite(MagnitudeAt(place), driven));
  StoreLanes(at(count - 1),
             WithSignOpposite(MagnitudeAt(PlaceOf(PositionOf(nextCompressed))), nextDriven));
}
