#include "raster/blend_rows.h"

#include <cstddef>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace raster::blend {
namespace {

template <Op op>
void ScalarRow(Pixel* d, const Pixel* s, std::size_t from, std::size_t n, int w) {
  for (std::size_t i = from; i < n; ++i)
    d[i] = Combine(op, d[i], s[i], w);
}

#if defined(__SSE2__)

// Four pixels at a time in 16-bit lanes. Every product below stays within 0..65280, so the
// unsigned 16-bit arithmetic is the same integer arithmetic as the scalar operators.
// A signed quotient (x - y) * f / 256 truncating toward zero is computed as the unsigned
// |x - y| * f >> 8 with the sign put back.
struct Lanes {
  __m128i lo;  // pixels 0 and 1, one channel per 16-bit lane
  __m128i hi;  // pixels 2 and 3
};

inline Lanes Widen(__m128i v) {
  const __m128i zero = _mm_setzero_si128();
  return {_mm_unpacklo_epi8(v, zero), _mm_unpackhi_epi8(v, zero)};
}

inline __m128i Narrow(__m128i lo, __m128i hi) {
  return _mm_packus_epi16(lo, hi);
}

// Each pixel's alpha in all four of its lanes.
inline __m128i SpreadAlpha(__m128i v) {
  return _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, _MM_SHUFFLE(3, 3, 3, 3)),
                             _MM_SHUFFLE(3, 3, 3, 3));
}

// s + (d - s) * f / 256 with 0 <= f <= 256, exact for every d, s in 0..255.
inline __m128i Interpolate(__m128i d, __m128i s, __m128i f) {
  const __m128i dBelow = _mm_cmpgt_epi16(s, d);
  const __m128i diff = _mm_sub_epi16(_mm_max_epi16(d, s), _mm_min_epi16(d, s));
  const __m128i q = _mm_srli_epi16(_mm_mullo_epi16(diff, f), 8);
  return _mm_add_epi16(s, _mm_sub_epi16(_mm_xor_si128(q, dBelow), dBelow));
}

inline __m128i Load(const Pixel* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void Store(Pixel* p, __m128i v) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

inline __m128i Select(__m128i mask, __m128i ifSet, __m128i ifClear) {
  return _mm_or_si128(_mm_and_si128(mask, ifSet), _mm_andnot_si128(mask, ifClear));
}

inline __m128i AlphaMaskBytes() {
  return _mm_set1_epi32(static_cast<int>(0xFF000000u));
}
inline __m128i AlphaMaskLanes() {
  return _mm_set_epi16(-1, 0, 0, 0, -1, 0, 0, 0);
}

// Pixels whose source alpha is 0 keep the destination.
inline __m128i KeepWhereTransparent(__m128i sv, __m128i dv, __m128i result) {
  const __m128i transparent =
      _mm_cmpeq_epi32(_mm_and_si128(sv, AlphaMaskBytes()), _mm_setzero_si128());
  return Select(transparent, dv, result);
}

void CopyRow(Pixel* d, const Pixel* s, std::size_t n, int w) {
  const __m128i f = _mm_set1_epi16(static_cast<short>(256 - w));
  std::size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    const Lanes dl = Widen(Load(d + i));
    const Lanes sl = Widen(Load(s + i));
    Store(d + i, Narrow(Interpolate(dl.lo, sl.lo, f), Interpolate(dl.hi, sl.hi, f)));
  }
  ScalarRow<Op::kCopy>(d, s, i, n, w);
}

void AddRow(Pixel* d, const Pixel* s, std::size_t n, int w) {
  const __m128i weight = _mm_set1_epi16(static_cast<short>(w));
  std::size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    const Lanes dl = Widen(Load(d + i));
    const Lanes sl = Widen(Load(s + i));
    // packus clamps the sums to 255.
    const __m128i lo = _mm_add_epi16(dl.lo, _mm_srli_epi16(_mm_mullo_epi16(sl.lo, weight), 8));
    const __m128i hi = _mm_add_epi16(dl.hi, _mm_srli_epi16(_mm_mullo_epi16(sl.hi, weight), 8));
    Store(d + i, Narrow(lo, hi));
  }
  ScalarRow<Op::kAdd>(d, s, i, n, w);
}

void AlphaCopyFullRow(Pixel* d, const Pixel* s, std::size_t n) {
  const __m128i full = _mm_set1_epi16(255);
  std::size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m128i dv = Load(d + i);
    const __m128i sv = Load(s + i);
    const Lanes dl = Widen(dv);
    const Lanes sl = Widen(sv);
    const __m128i fLo = _mm_sub_epi16(full, SpreadAlpha(sl.lo));
    const __m128i fHi = _mm_sub_epi16(full, SpreadAlpha(sl.hi));
    const __m128i color = Narrow(Interpolate(dl.lo, sl.lo, fLo), Interpolate(dl.hi, sl.hi, fHi));
    const __m128i alpha = _mm_adds_epu8(dv, sv);
    const __m128i result = Select(AlphaMaskBytes(), alpha, color);
    Store(d + i, KeepWhereTransparent(sv, dv, result));
  }
  ScalarRow<Op::kAlphaCopyFull>(d, s, i, n, 256);
}

// v = w * (sA + 1) / 256 per pixel, for 0 <= w <= 256.
inline __m128i AlphaWeight(__m128i sLanes, __m128i weight, bool fullWeight) {
  const __m128i alphaPlusOne = _mm_add_epi16(SpreadAlpha(sLanes), _mm_set1_epi16(1));
  if (fullWeight) return alphaPlusOne;
  return _mm_srli_epi16(_mm_mullo_epi16(alphaPlusOne, weight), 8);
}

void AlphaCopyRow(Pixel* d, const Pixel* s, std::size_t n, int w) {
  const __m128i weight = _mm_set1_epi16(static_cast<short>(w));
  const __m128i whole = _mm_set1_epi16(256);
  const __m128i top = _mm_set1_epi16(255);
  const __m128i alphaLanes = AlphaMaskLanes();
  std::size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m128i dv = Load(d + i);
    const __m128i sv = Load(s + i);
    const Lanes dl = Widen(dv);
    const Lanes sl = Widen(sv);
    const __m128i vLo = AlphaWeight(sl.lo, weight, false);
    const __m128i vHi = AlphaWeight(sl.hi, weight, false);
    const __m128i cLo = Interpolate(dl.lo, sl.lo, _mm_sub_epi16(whole, vLo));
    const __m128i cHi = Interpolate(dl.hi, sl.hi, _mm_sub_epi16(whole, vHi));
    const __m128i aLo = _mm_min_epi16(_mm_add_epi16(dl.lo, vLo), top);
    const __m128i aHi = _mm_min_epi16(_mm_add_epi16(dl.hi, vHi), top);
    const __m128i result = Narrow(Select(alphaLanes, aLo, cLo), Select(alphaLanes, aHi, cHi));
    Store(d + i, KeepWhereTransparent(sv, dv, result));
  }
  ScalarRow<Op::kAlphaCopy>(d, s, i, n, w);
}

void AlphaAddRow(Pixel* d, const Pixel* s, std::size_t n, int w) {
  const __m128i weight = _mm_set1_epi16(static_cast<short>(w));
  const bool fullWeight = w == 256;
  std::size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m128i dv = Load(d + i);
    const __m128i sv = Load(s + i);
    const Lanes dl = Widen(dv);
    const Lanes sl = Widen(sv);
    const __m128i vLo = AlphaWeight(sl.lo, weight, fullWeight);
    const __m128i vHi = AlphaWeight(sl.hi, weight, fullWeight);
    // The alpha lane adds sA * v / 256 just as the colour lanes add s * v / 256.
    const __m128i lo = _mm_add_epi16(dl.lo, _mm_srli_epi16(_mm_mullo_epi16(sl.lo, vLo), 8));
    const __m128i hi = _mm_add_epi16(dl.hi, _mm_srli_epi16(_mm_mullo_epi16(sl.hi, vHi), 8));
    Store(d + i, KeepWhereTransparent(sv, dv, Narrow(lo, hi)));
  }
  ScalarRow<Op::kAlphaAdd>(d, s, i, n, w);
}

// min(255, d * 256 / (256 - t)) for 16-bit lanes of d and t, 0 <= t <= 255. The float
// quotient truncates to the integer quotient wherever that is below 255: its rounding error
// (under 2^-16 there) is smaller than any fraction n / den can have (at least 1/256), and
// from 255 on the clamp hides it.
inline __m128i DodgeLanes(__m128i d, __m128i t) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i numerator = _mm_slli_epi16(d, 8);
  const __m128i denominator = _mm_sub_epi16(_mm_set1_epi16(256), t);
  const auto quotient = [&](bool high) {
    const __m128i n32 =
        high ? _mm_unpackhi_epi16(numerator, zero) : _mm_unpacklo_epi16(numerator, zero);
    const __m128i d32 =
        high ? _mm_unpackhi_epi16(denominator, zero) : _mm_unpacklo_epi16(denominator, zero);
    return _mm_cvttps_epi32(_mm_div_ps(_mm_cvtepi32_ps(n32), _mm_cvtepi32_ps(d32)));
  };
  // Signed saturation to 32767 here, unsigned to 255 when narrowed.
  return _mm_packs_epi32(quotient(false), quotient(true));
}

// Colour dodge on all four channels; with source alpha the weight is w * (sA + 1) / 256.
void DodgeRow(Pixel* d, const Pixel* s, std::size_t n, int w, bool sourceAlpha) {
  const __m128i weight = _mm_set1_epi16(static_cast<short>(w));
  const bool fullWeight = w == 256;
  const auto amount = [&](__m128i sLanes) {
    if (sourceAlpha) {
      return _mm_srli_epi16(_mm_mullo_epi16(sLanes, AlphaWeight(sLanes, weight, fullWeight)), 8);
    }
    return fullWeight ? sLanes : _mm_srli_epi16(_mm_mullo_epi16(sLanes, weight), 8);
  };
  std::size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    const Lanes dl = Widen(Load(d + i));
    const Lanes sl = Widen(Load(s + i));
    Store(d + i, Narrow(DodgeLanes(dl.lo, amount(sl.lo)), DodgeLanes(dl.hi, amount(sl.hi))));
  }
  if (sourceAlpha) {
    ScalarRow<Op::kAlphaColorDodge>(d, s, i, n, w);
  } else {
    ScalarRow<Op::kColorDodge>(d, s, i, n, w);
  }
}

#endif

template <Op op>
void Dispatch(Pixel* d, const Pixel* s, std::size_t n, int w) {
  ScalarRow<op>(d, s, 0, n, w);
}

}  // namespace

void BlendRow(Op op, std::span<Pixel> dst, std::span<const Pixel> src, int w) {
  Pixel* const d = dst.data();
  const Pixel* const s = src.data();
  const std::size_t n = std::min(dst.size(), src.size());
#if defined(__SSE2__)
  // The lanes are exact for weights 0..256; anything else takes the scalar path.
  const bool vectorWeight = w >= 0 && w <= 256;
  if (vectorWeight) {
    switch (op) {
      case Op::kCopy:
        return CopyRow(d, s, n, w);
      case Op::kAdd:
        return AddRow(d, s, n, w);
      case Op::kAlphaCopyFull:
        return AlphaCopyFullRow(d, s, n);
      case Op::kAlphaCopy:
        return w < 256 ? AlphaCopyRow(d, s, n, w) : Dispatch<Op::kAlphaCopy>(d, s, n, w);
      case Op::kAlphaAdd:
        return AlphaAddRow(d, s, n, w);
      case Op::kColorDodge:
        return DodgeRow(d, s, n, w, false);
      case Op::kAlphaColorDodge:
        return DodgeRow(d, s, n, w, true);
      default:
        break;
    }
  }
#endif
  switch (op) {
    case Op::kNone:
      return;
    case Op::kClobber:
      std::memcpy(d, s, n * sizeof(Pixel));
      return;
    case Op::kCopy:
      return Dispatch<Op::kCopy>(d, s, n, w);
    case Op::kAdd:
      return Dispatch<Op::kAdd>(d, s, n, w);
    case Op::kColorDodge:
      return Dispatch<Op::kColorDodge>(d, s, n, w);
    case Op::kMultiply:
      return Dispatch<Op::kMultiply>(d, s, n, w);
    case Op::kOverlay:
      return Dispatch<Op::kOverlay>(d, s, n, w);
    case Op::kAdjustHSV:
      return Dispatch<Op::kAdjustHSV>(d, s, n, w);
    case Op::kAlphaCopyFull:
      return Dispatch<Op::kAlphaCopyFull>(d, s, n, w);
    case Op::kAlphaCopy:
      return Dispatch<Op::kAlphaCopy>(d, s, n, w);
    case Op::kAlphaAdd:
      return Dispatch<Op::kAlphaAdd>(d, s, n, w);
    case Op::kAlphaColorDodge:
      return Dispatch<Op::kAlphaColorDodge>(d, s, n, w);
    case Op::kAlphaMultiply:
      return Dispatch<Op::kAlphaMultiply>(d, s, n, w);
    case Op::kAlphaOverlay:
      return Dispatch<Op::kAlphaOverlay>(d, s, n, w);
    case Op::kAlphaAdjustHSV:
      return Dispatch<Op::kAlphaAdjustHSV>(d, s, n, w);
  }
}

void AverageRow(std::span<Pixel> dst, std::span<const Pixel> src) {
  const std::size_t n = std::min(dst.size(), src.size());
  for (std::size_t i = 0; i < n; ++i) {
    dst[i] = ((src[i] >> 1) & 0x7F7F7F7Fu) + ((dst[i] >> 1) & 0x7F7F7F7Fu);
  }
}

}  // namespace raster::blend
