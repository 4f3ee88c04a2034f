#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>

#include "raster/bitmap.h"
#include "raster/mode.h"

// Per-pixel operators of the blit and of everything drawn on top of it. Each works on
// the four channels of one destination word with integer arithmetic; divisions truncate
// toward zero and every result is stored as its low byte.
namespace raster::blend {

enum class Op {
  kNone,
  kClobber,
  kCopy,
  kAdd,
  kColorDodge,
  kMultiply,
  kOverlay,
  kAdjustHSV,
  kAlphaCopyFull,
  kAlphaCopy,
  kAlphaAdd,
  kAlphaColorDodge,
  kAlphaMultiply,
  kAlphaOverlay,
  kAlphaAdjustHSV,
};

// The opacity as a weight of 256ths: none for NaN (nothing is drawn); absurd opacities are
// held to +-1024 so that no product overflows.
inline std::optional<int> WeightOf(float alpha) {
  if (!(alpha == alpha)) return std::nullopt;
  const float held = std::clamp(alpha, -1024.0f, 1024.0f);
  return static_cast<int>(held * 256.0f);
}

inline Op SelectOp(int mode, int w) {
  if (w == 0) return Op::kNone;
  switch (mode & kModeOperatorMask) {
    case kModeCopy:
      if (w == 256) return Op::kClobber;
      return w > 0 ? Op::kCopy : Op::kNone;
    case kModeAdd:
      return Op::kAdd;
    case kModeColorDodge:
      return Op::kColorDodge;
    case kModeMultiply:
      return Op::kMultiply;
    case kModeOverlay:
      return Op::kOverlay;
    case kModeAdjustHSV:
      return Op::kAdjustHSV;
    case kModeSourceAlpha | kModeCopy:
      return w == 256 ? Op::kAlphaCopyFull : Op::kAlphaCopy;
    case kModeSourceAlpha | kModeAdd:
      return Op::kAlphaAdd;
    case kModeSourceAlpha | kModeColorDodge:
      return Op::kAlphaColorDodge;
    case kModeSourceAlpha | kModeMultiply:
      return Op::kAlphaMultiply;
    case kModeSourceAlpha | kModeOverlay:
      return Op::kAlphaOverlay;
    case kModeSourceAlpha | kModeAdjustHSV:
      return Op::kAlphaAdjustHSV;
    default:
      return Op::kNone;
  }
}

inline int Channel(Pixel p, int i) {
  return static_cast<int>((p >> (8 * i)) & 0xFFu);
}

inline Pixel Pack(int b, int g, int r, int a) {
  return static_cast<Pixel>(static_cast<std::uint8_t>(b)) |
         static_cast<Pixel>(static_cast<std::uint8_t>(g)) << 8 |
         static_cast<Pixel>(static_cast<std::uint8_t>(r)) << 16 |
         static_cast<Pixel>(static_cast<std::uint8_t>(a)) << 24;
}

// Applies f(channel index, d, s) to all four channels.
template <typename F>
Pixel EachChannel(Pixel d, Pixel s, F f) {
  return Pack(f(0, Channel(d, 0), Channel(s, 0)), f(1, Channel(d, 1), Channel(s, 1)),
              f(2, Channel(d, 2), Channel(s, 2)), f(3, Channel(d, 3), Channel(s, 3)));
}

// Colour channels by f, alpha by alphaValue.
template <typename F>
Pixel ColorChannels(Pixel d, Pixel s, int alphaValue, F f) {
  return Pack(f(Channel(d, 0), Channel(s, 0)), f(Channel(d, 1), Channel(s, 1)),
              f(Channel(d, 2), Channel(s, 2)), alphaValue);
}

inline int Dodge(int d, int s, int w) {
  const int t = s * w / 256;
  return t < 255 ? std::min(255, d * 256 / (256 - t)) : std::min(255, d * 256);
}

inline int MultiplyTarget(int d, int s) {
  return s * d / 255;
}

inline int OverlayTarget(int d, int s) {
  return d < 128 ? 2 * s * d / 255 : 255 - 2 * (255 - s) * (255 - d) / 255;
}

// Moves d toward target by w/256.
inline int Toward(int d, int target, int w) {
  return d + (target - d) * w / 256;
}

// The destination's hue turned by the source's red (a full turn per 256), its saturation
// and value scaled by the source's green and blue (128 keeps them).
Pixel AdjustHSVTarget(Pixel d, Pixel s);

inline Pixel Combine(Op op, Pixel d, Pixel s, int w) {
  const int sA = Channel(s, 3);
  const int dA = Channel(d, 3);
  switch (op) {
    case Op::kNone:
      return d;
    case Op::kClobber:
      return s;
    case Op::kCopy:
      return EachChannel(d, s,
                         [w](int, int dc, int sc) { return sc + (dc - sc) * (256 - w) / 256; });
    case Op::kAdd:
      return EachChannel(d, s,
                         [w](int, int dc, int sc) { return std::min(255, dc + sc * w / 256); });
    case Op::kColorDodge:
      return EachChannel(d, s, [w](int, int dc, int sc) { return Dodge(dc, sc, w); });
    case Op::kMultiply:
      return EachChannel(
          d, s, [w](int, int dc, int sc) { return Toward(dc, MultiplyTarget(dc, sc), w); });
    case Op::kOverlay:
      return EachChannel(d, s,
                         [w](int, int dc, int sc) { return Toward(dc, OverlayTarget(dc, sc), w); });
    case Op::kAdjustHSV: {
      const Pixel t = AdjustHSVTarget(d, s);
      return ColorChannels(d, t, dA, [w](int dc, int tc) { return Toward(dc, tc, w); });
    }
    case Op::kAlphaCopyFull: {
      if (sA == 0) return d;
      if (sA == 255) return s | 0xFF000000u;
      const int f = 255 - sA;
      return ColorChannels(d, s, std::min(255, dA + sA),
                           [f](int dc, int sc) { return sc + (dc - sc) * f / 256; });
    }
    case Op::kAlphaCopy: {
      if (sA == 0) return d;
      const int v = w * (sA + 1) / 256;
      return ColorChannels(d, s, std::min(255, dA + v),
                           [v](int dc, int sc) { return sc + (dc - sc) * (256 - v) / 256; });
    }
    case Op::kAlphaAdd: {
      if (sA == 0) return d;
      const int v = w * (sA + 1) / 256;
      return ColorChannels(d, s, std::min(255, dA + sA * v / 256),
                           [v](int dc, int sc) { return std::min(255, dc + sc * v / 256); });
    }
    case Op::kAlphaColorDodge: {
      const int v = w * (sA + 1) / 256;
      return EachChannel(d, s, [v](int, int dc, int sc) { return Dodge(dc, sc, v); });
    }
    case Op::kAlphaMultiply: {
      const int v = w * (sA + 1) / 256;
      return ColorChannels(d, s, dA,
                           [v](int dc, int sc) { return Toward(dc, MultiplyTarget(dc, sc), v); });
    }
    case Op::kAlphaOverlay: {
      const int v = w * (sA + 1) / 256;
      return ColorChannels(d, s, dA,
                           [v](int dc, int sc) { return Toward(dc, OverlayTarget(dc, sc), v); });
    }
    case Op::kAlphaAdjustHSV: {
      const int v = w * (sA + 1) / 256;
      const Pixel t = AdjustHSVTarget(d, s);
      return ColorChannels(d, t, dA, [v](int dc, int tc) { return Toward(dc, tc, v); });
    }
  }
  return d;
}

}  // namespace raster::blend
