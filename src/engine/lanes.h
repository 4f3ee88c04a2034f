#pragma once

#include <cfloat>
#include <cstdint>
#include <cstring>
#include <type_traits>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

// Channels side by side as the lanes of one vector: one lane (a plain double),
// two (SSE2), four (AVX2) or eight (AVX-512). Element-wise IEEE arithmetic rounds
// every lane exactly as the scalar form, so each lane gets the bits its channel
// would get on its own, and one template serves every width.
//
// Every helper here is forced inline: code built for a wider instruction set
// must not leave an out-of-line copy that the linker could hand to code built
// for the baseline.
template <int Width>
struct LaneTypes;
template <>
struct LaneTypes<1> {
  using Value = double;
  using Index = int;
  using Bits = std::uint64_t;
};
template <>
struct LaneTypes<2> {
  typedef double Value __attribute__((vector_size(16)));
  typedef int Index __attribute__((vector_size(8)));
  typedef std::uint64_t Bits __attribute__((vector_size(16)));
};
template <>
struct LaneTypes<4> {
  typedef double Value __attribute__((vector_size(32)));
  typedef int Index __attribute__((vector_size(16)));
  typedef std::uint64_t Bits __attribute__((vector_size(32)));
};
template <>
struct LaneTypes<8> {
  typedef double Value __attribute__((vector_size(64)));
  typedef int Index __attribute__((vector_size(32)));
  typedef std::uint64_t Bits __attribute__((vector_size(64)));
};

template <int Width>
using Lanes = typename LaneTypes<Width>::Value;
inline constexpr int kMaxLaneCount = 8;  // the widest of the vectors above

template <class V>
inline constexpr int kLaneCount = static_cast<int>(sizeof(V) / sizeof(double));
template <class V>
inline constexpr bool kIsScalar = std::is_same_v<V, double>;
template <class V>
using LaneIndex = typename LaneTypes<kLaneCount<V>>::Index;
template <class V>
using LaneBits = typename LaneTypes<kLaneCount<V>>::Bits;
// What a comparison gives: bool for one lane, all-ones or zero per lane otherwise.
template <class V>
using LaneMask = decltype(V{} < V{});

template <class V>
[[gnu::always_inline]] inline V Splat(double value) {
  if constexpr (kIsScalar<V>) {
    return value;
  } else {
    V v{};
    for (int l = 0; l < kLaneCount<V>; ++l)
      v[l] = value;
    return v;
  }
}

// Lanes from and to consecutive doubles, without alignment or aliasing demands.
template <class V>
[[gnu::always_inline]] inline V LoadLanes(const double* source) {
  V v;
  std::memcpy(&v, source, sizeof(V));
  return v;
}
template <class V>
[[gnu::always_inline]] inline void StoreLanes(double* destination, V v) {
  std::memcpy(destination, &v, sizeof(V));
}

// N vectors of lanes, one after the other.
template <class V, int N>
[[gnu::always_inline]] inline void LoadLanes(const double* source, V (&vectors)[N]) {
#pragma GCC unroll 16
  for (int k = 0; k < N; ++k)
    vectors[k] = LoadLanes<V>(source + k * kLaneCount<V>);
}
template <class V, int N>
[[gnu::always_inline]] inline void StoreLanes(double* destination, const V (&vectors)[N]) {
#pragma GCC unroll 16
  for (int k = 0; k < N; ++k)
    StoreLanes(destination + k * kLaneCount<V>, vectors[k]);
}

// A per-lane flag kept as an all-ones or zero 64-bit word per lane.
template <class V>
[[gnu::always_inline]] inline LaneMask<V> LoadMask(const std::uint64_t* source) {
  if constexpr (kIsScalar<V>) {
    return *source != 0;
  } else {
    LaneMask<V> mask;
    std::memcpy(&mask, source, sizeof(mask));
    return mask;
  }
}

template <class V, class Mask>
[[gnu::always_inline]] inline V Select(Mask mask, V ifSet, V ifClear) {
  return mask ? ifSet : ifClear;
}

template <class V>
[[gnu::always_inline]] inline V Abs(V v) {
  if constexpr (kIsScalar<V>)
    return __builtin_fabs(v);
  else
    return __builtin_bit_cast(V, __builtin_bit_cast(LaneBits<V>, v) & ~(std::uint64_t{1} << 63));
}

// `magnitude`, whose sign bit is clear, with the sign bit opposite to that of
// `sign`: copysign(magnitude, -sign), lane by lane, in one and-not and one or.
template <class V>
[[gnu::always_inline]] inline V WithSignOpposite(V magnitude, V sign) {
  constexpr std::uint64_t kSign = std::uint64_t{1} << 63;
  return __builtin_bit_cast(V, __builtin_bit_cast(LaneBits<V>, magnitude) |
                                   (~__builtin_bit_cast(LaneBits<V>, sign) & kSign));
}

template <class V>
[[gnu::always_inline]] inline LaneMask<V> IsFinite(V v) {
  return Abs(v) <= Splat<V>(DBL_MAX);
}

// A non-finite sample would stay in a recursive filter's state for good: it
// is taken as silence instead, lane by lane.
template <class V>
[[gnu::always_inline]] inline V ZeroIfNotFinite(V v) {
  return Select(IsFinite(v), v, Splat<V>(0.0));
}

// p where p > 0, +0 elsewhere, a NaN included. The max instructions give
// exactly that in one step: their second operand wins unless the first is
// greater.
template <class V>
[[gnu::always_inline]] inline V PositiveOrZero(V p) {
#if defined(__AVX512F__)
  if constexpr (kLaneCount<V> == 8) return _mm512_maskz_max_pd(0xFF, p, Splat<V>(0.0));
#endif
#if defined(__AVX__)
  if constexpr (kLaneCount<V> == 4) return _mm256_max_pd(p, Splat<V>(0.0));
#endif
#if defined(__SSE2__)
  if constexpr (kLaneCount<V> == 2) return _mm_max_pd(p, Splat<V>(0.0));
#endif
  return Select(p > Splat<V>(0.0), p, Splat<V>(0.0));
}

// Truncation toward zero to an index, and to a whole number kept as a
// double; every lane must lie within the int range.
template <class V>
[[gnu::always_inline]] inline LaneIndex<V> TruncateToIndex(V v) {
  if constexpr (kIsScalar<V>)
    return static_cast<int>(v);
  else
    return __builtin_convertvector(v, LaneIndex<V>);
}
template <class V>
[[gnu::always_inline]] inline V Truncate(V v) {
  // The rounding instructions give exactly what the round trip through an int gives.
#if defined(__AVX512F__)
  if constexpr (kLaneCount<V> == 8)
    return _mm512_maskz_roundscale_pd(0xFF, v, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
#endif
#if defined(__AVX__)
  if constexpr (kLaneCount<V> == 4)
    return _mm256_round_pd(v, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
#endif
  if constexpr (kIsScalar<V>)
    return static_cast<double>(static_cast<int>(v));
  else
    return __builtin_convertvector(TruncateToIndex(v), V);
}

// pairs[2 * index] and pairs[2 * index + 1] for every lane, as two vectors:
// each lane's two neighbouring entries come in one 16-byte load. Processors
// gather lane by lane anyway, and some far slower than plain loads; so each
// lane's pair is loaded on its own and the pairs are interleaved into the
// two vectors. Each index must lie within the table of pairs.
template <class V>
[[gnu::always_inline]] inline void ReadPairs(const double* pairs, LaneIndex<V> index, V& first,
                                             V& second) {
  if constexpr (kIsScalar<V>) {
    first = pairs[2 * index];
    second = pairs[2 * index + 1];
  } else {
    using Pair = Lanes<2>;
    // Two indices per move to a general register, split there: moves out of
    // vector registers are few per cycle, integer shifts are cheap.
    std::uint64_t both[kLaneCount<V> / 2];
    std::memcpy(both, &index, sizeof both);
    const auto pair = [&](int lane) __attribute__((always_inline)) {
      const std::uint64_t two = both[lane / 2];
      const auto at = static_cast<std::uint32_t>(lane % 2 ? two >> 32 : two);
      return LoadLanes<Pair>(pairs + 2 * static_cast<std::size_t>(at));
    };
    // Lanes 0, 2, ... in a and 1, 3, ... in b: the interleaving instructions
    // work within each 16-byte half, so a's half k holds lane 2k's pair.
    V a, b;
    if constexpr (kLaneCount<V> == 2) {
      a = pair(0);
      b = pair(1);
      first = __builtin_shufflevector(a, b, 0, 2);
      second = __builtin_shufflevector(a, b, 1, 3);
    } else if constexpr (kLaneCount<V> == 4) {
      a = __builtin_shufflevector(pair(0), pair(2), 0, 1, 2, 3);
      b = __builtin_shufflevector(pair(1), pair(3), 0, 1, 2, 3);
      first = __builtin_shufflevector(a, b, 0, 4, 2, 6);
      second = __builtin_shufflevector(a, b, 1, 5, 3, 7);
    } else {
      using Quad = Lanes<4>;
      const Quad a0 = __builtin_shufflevector(pair(0), pair(2), 0, 1, 2, 3);
      const Quad a1 = __builtin_shufflevector(pair(4), pair(6), 0, 1, 2, 3);
      const Quad b0 = __builtin_shufflevector(pair(1), pair(3), 0, 1, 2, 3);
      const Quad b1 = __builtin_shufflevector(pair(5), pair(7), 0, 1, 2, 3);
      a = __builtin_shufflevector(a0, a1, 0, 1, 2, 3, 4, 5, 6, 7);
      b = __builtin_shufflevector(b0, b1, 0, 1, 2, 3, 4, 5, 6, 7);
      first = __builtin_shufflevector(a, b, 0, 8, 2, 10, 4, 12, 6, 14);
      second = __builtin_shufflevector(a, b, 1, 9, 3, 11, 5, 13, 7, 15);
    }
  }
}
