#pragma once

#include <cfloat>
#include <cstdint>
#include <cstring>
#include <type_traits>

#if defined(__AVX__)
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

// The magnitude of `magnitude` with the sign bit of `sign`, lane by lane.
template <class V>
[[gnu::always_inline]] inline V CopySign(V magnitude, V sign) {
  if constexpr (kIsScalar<V>) {
    return __builtin_copysign(magnitude, sign);
  } else {
    constexpr std::uint64_t kSign = std::uint64_t{1} << 63;
    return __builtin_bit_cast(V, (__builtin_bit_cast(LaneBits<V>, magnitude) & ~kSign) |
                                     (__builtin_bit_cast(LaneBits<V>, sign) & kSign));
  }
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

// table[index] for every lane; each index must lie within the table.
template <class V>
[[gnu::always_inline]] inline V ReadTable(const double* table, LaneIndex<V> index) {
  if constexpr (kIsScalar<V>) {
    return table[index];
  } else {
    // The masked forms with a zeroed source: the plain ones leave their
    // source undefined, which the compiler warns about.
#if defined(__AVX512F__)
    if constexpr (kLaneCount<V> == 8)
      return _mm512_mask_i32gather_pd(_mm512_setzero_pd(), 0xFF, __builtin_bit_cast(__m256i, index),
                                      table, 8);
#endif
#if defined(__AVX2__)
    if constexpr (kLaneCount<V> == 4)
      return _mm256_mask_i32gather_pd(_mm256_setzero_pd(), table,
                                      __builtin_bit_cast(__m128i, index),
                                      _mm256_castsi256_pd(_mm256_set1_epi64x(-1)), 8);
#endif
    V v{};
    for (int l = 0; l < kLaneCount<V>; ++l)
      v[l] = table[index[l]];
    return v;
  }
}
