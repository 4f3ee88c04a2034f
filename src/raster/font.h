#pragma once

#include <memory>
#include <string>

#include "raster/bitmap.h"

namespace raster {

enum class FontQuality { kDefault, kAliased, kAntiAliased };

struct FontRequest {
  std::string face;
  int height = 10;   // pixels from the top of the tallest to the bottom of the deepest glyph
  int weight = 400;  // 400 normal, 700 bold
  bool italic = false;
  FontQuality quality = FontQuality::kDefault;
  int orientation = 0;  // tenths of a degree, counter-clockwise
};

// Text format flags of Font::drawText.
inline constexpr unsigned kTextLeft = 0;
inline constexpr unsigned kTextCenter = 1;
inline constexpr unsigned kTextRight = 2;
inline constexpr unsigned kTextNoClip = 0x100;  // text is never clipped to its rectangle anyway
inline constexpr unsigned kTextCalcRect = 0x400;
// A line wider than the rect is cut at a character and ends in an ellipsis;
// nothing is drawn outside the rect.
inline constexpr unsigned kTextEndEllipsis = 0x8000;
inline constexpr unsigned kTextColorAlpha = 0x40000000;  // draw with the colour's own alpha

// A font rendered with the platform's font engine, its glyphs rendered once and cached.
// Used from one thread at a time.
class Font {
 public:
  // Finds the face (falling back to "League Spartan", then any sans); null only when no
  // usable font exists at all.
  static std::unique_ptr<Font> Create(const FontRequest& request);
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  int lineHeight() const;
  // The family of the face in use, which may be a fallback.
  const std::string& family() const;

  void setTextColor(Pixel color);
  Pixel textColor() const;

  // Draws UTF-8 text (len < 0: up to the NUL) into rect, one line per '\n', aligned by the
  // flags and starting at the rect's top; clipped to dest and to the optional clip, and
  // to rect only with kTextEndEllipsis. A code point the face lacks is drawn from a face
  // the desktop's fonts have it in. With kTextCalcRect nothing is drawn and rect's right and bottom
  // are set to cover the text (dest may be null). Returns the text's height.
  int drawText(Bitmap* dest, const char* text, int len, RECT* rect, unsigned flags,
               const RECT* clip = nullptr);

  // Glyphs rendered so far; a cached glyph is not rendered again.
  long long glyphsRendered() const;

 private:
  struct Engine;
  explicit Font(std::unique_ptr<Engine> engine);
  std::unique_ptr<Engine> mEngine;
};

}  // namespace raster
