// The editor's small value records: rectangles, colours, text styles, bitmap
// handles, modifier keys and blends. Plain structures, copied by value.
#pragma once

#include <cstdint>
#include <string>

#include "raster/bitmap.h"

class CachedFont;

// A handle to a decoded image with its frames; the bitmap cache owns the pixels.
struct IBitmap {
  raster::Bitmap* mData = nullptr;
  // The same image at twice the resolution, where there is one: what the
  // editor draws from at scales above 1.
  raster::Bitmap* mData2x = nullptr;
  int W = 0;  // full image size in pixels
  int H = 0;
  int N = 1;  // frames, at least 1
  bool mFramesHorizontal = false;

  IBitmap() = default;
  IBitmap(raster::Bitmap* data, int w, int h, int n = 1, bool framesHorizontal = false)
      : mData(data), W(w), H(h), N(n < 1 ? 1 : n), mFramesHorizontal(framesHorizontal) {}

  // False for the empty bitmap a missing image loads as.
  bool IsValid() const { return mData != nullptr && W > 0 && H > 0; }
  int FrameWidth() const { return mFramesHorizontal ? W / N : W; }
  int FrameHeight() const { return mFramesHorizontal ? H : H / N; }
};

// Pixels, y downwards; R and B lie one past the last pixel. Only the all-zero
// rectangle is empty: a zero-width one elsewhere is not, though it holds no point.
struct IRECT {
  int L = 0;
  int T = 0;
  int R = 0;
  int B = 0;

  IRECT() = default;
  IRECT(int l, int t, int r, int b) : L(l), T(t), R(r), B(b) {}
  // At (x, y), the size of one frame of the bitmap.
  IRECT(int x, int y, const IBitmap& bitmap)
      : L(x), T(y), R(x + bitmap.FrameWidth()), B(y + bitmap.FrameHeight()) {}

  bool Empty() const { return L == 0 && T == 0 && R == 0 && B == 0; }
  int W() const { return R - L; }
  int H() const { return B - T; }
  float MW() const { return static_cast<float>(L + R) * 0.5f; }
  float MH() const { return static_cast<float>(T + B) * 0.5f; }

  bool Contains(int x, int y) const { return !Empty() && x >= L && x < R && y >= T && y < B; }
  // Right and bottom edges count as inside for this test.
  bool Intersects(const IRECT& o) const {
    return !Empty() && !o.Empty() && R >= o.L && L < o.R && B >= o.T && T < o.B;
  }
  IRECT Intersect(const IRECT& o) const;
  IRECT Union(const IRECT& o) const;
  raster::RECT ToRaster() const { return {L, T, R, B}; }

  bool operator==(const IRECT&) const = default;
};

// What lies beneath a control that draws composed frames, as the control
// keeps it: the scale it was read at and what it holds; and which frame the
// surface shows there now (0: not known), its box on the surface.
struct ComposedPatch {
  double mScale = 0.;
  std::uint64_t mKey = 0;
  int mShownFrame = 0;
  IRECT mShownBox;
};

// Components 0..255; the default is transparent black.
struct IColor {
  int A = 0;
  int R = 0;
  int G = 0;
  int B = 0;

  constexpr IColor() = default;
  constexpr IColor(int a, int r, int g, int b) : A(a), R(r), G(g), B(b) {}

  // The raster pixel word: B in bits 0-7, G 8-15, R 16-23, A 24-31.
  constexpr raster::Pixel ToPixel() const {
    return static_cast<raster::Pixel>(B & 0xFF) | static_cast<raster::Pixel>(G & 0xFF) << 8 |
           static_cast<raster::Pixel>(R & 0xFF) << 16 | static_cast<raster::Pixel>(A & 0xFF) << 24;
  }
  static constexpr IColor FromPixel(raster::Pixel p) {
    return {static_cast<int>(p >> 24), static_cast<int>((p >> 16) & 0xFF),
            static_cast<int>((p >> 8) & 0xFF), static_cast<int>(p & 0xFF)};
  }
  bool operator==(const IColor&) const = default;
};

inline constexpr IColor COLOR_TRANSPARENT(0, 0, 0, 0);
inline constexpr IColor COLOR_BLACK(255, 0, 0, 0);
inline constexpr IColor COLOR_GRAY(255, 127, 127, 127);
inline constexpr IColor COLOR_WHITE(255, 255, 255, 255);
inline constexpr IColor COLOR_RED(255, 255, 0, 0);
inline constexpr IColor COLOR_GREEN(255, 0, 255, 0);
inline constexpr IColor COLOR_BLUE(255, 0, 0, 255);
inline constexpr IColor COLOR_YELLOW(255, 255, 255, 0);
inline constexpr IColor COLOR_ORANGE(255, 255, 127, 0);
inline constexpr IColor DEFAULT_TEXT_COLOR(255, 0, 0, 0);
inline constexpr IColor DEFAULT_TEXT_ENTRY_BGCOLOR(255, 255, 255, 255);
inline constexpr IColor DEFAULT_TEXT_ENTRY_FGCOLOR(255, 0, 0, 0);

// A text style, copied by value into controls.
struct IText {
  enum EStyle : std::int32_t { kTextNormal = 0, kTextBold = 1, kTextItalic = 2 };
  enum EAlign : std::int32_t { kAlignLeft = 0, kAlignCenter = 1, kAlignRight = 2 };
  enum EQuality : std::int32_t {
    kQualityDefault = 0,
    kQualityAliased = 1,
    kQualityAntiAliased = 2,
    kQualityClearType = 3,
  };

  std::string mFontName = "Monaco";
  int mSize = 10;  // requested height in pixels
  IColor mColor = DEFAULT_TEXT_COLOR;
  IColor mEntryBgColor = DEFAULT_TEXT_ENTRY_BGCOLOR;  // of the text field opened over a control
  IColor mEntryFgColor = DEFAULT_TEXT_ENTRY_FGCOLOR;
  EStyle mStyle = kTextNormal;
  EAlign mAlign = kAlignCenter;
  int mOrientation = 0;  // degrees
  EQuality mQuality = kQualityDefault;
  // A line wider than the rect it is drawn in ends in an ellipsis, and nothing
  // is drawn outside the rect.
  bool mEndEllipsis = false;
  CachedFont* mCachedFont = nullptr;  // filled on first use; the font cache owns it

  IText() = default;
  IText(int size, IColor color, const char* fontName = nullptr, EStyle style = kTextNormal,
        EAlign align = kAlignCenter, int orientation = 0, EQuality quality = kQualityDefault,
        IColor entryBgColor = DEFAULT_TEXT_ENTRY_BGCOLOR,
        IColor entryFgColor = DEFAULT_TEXT_ENTRY_FGCOLOR)
      : mFontName(fontName ? fontName : "Monaco"),
        mSize(size),
        mColor(color),
        mEntryBgColor(entryBgColor),
        mEntryFgColor(entryFgColor),
        mStyle(style),
        mAlign(align),
        mOrientation(orientation),
        mQuality(quality) {}
};

// Modifier state of a mouse event.
struct IMouseMod {
  bool Left = false;   // left button
  bool Right = false;  // right button, or the command key with the left one
  bool Shift = false;
  bool Ctrl = false;
  bool Alt = false;
};

enum EBlendMethod : std::int32_t {
  kBlendNone = 0,  // normal alpha compositing
  kBlendClobber = 1,
  kBlendAdd = 2,
  kBlendColorDodge = 3,
};

struct IChannelBlend {
  EBlendMethod mMethod = kBlendNone;
  float mWeight = 1.0f;  // opacity
};

// How knobs and faders travel.
enum EDirection : std::int32_t { kVertical = 0, kHorizontal = 1 };
