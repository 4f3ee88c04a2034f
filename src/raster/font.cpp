#include "raster/font.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numbers>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "raster/blend_ops.h"
#include "raster/clusters.h"
#include "raster/font_match.h"
#include "raster/rows.h"
#include "raster/utf8.h"

namespace raster {
namespace {

struct LibraryDeleter {
  void operator()(FT_Library library) const { FT_Done_FreeType(library); }
};
struct FaceDeleter {
  void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using Library = std::unique_ptr<FT_LibraryRec_, LibraryDeleter>;
using Face = std::unique_ptr<FT_FaceRec_, FaceDeleter>;

constexpr int kMaxHeight = 2048;
constexpr FT_Fixed kOne = 0x10000;
constexpr double kItalicShear = 0.2;
constexpr std::string_view kEllipsis = "\u2026";
constexpr std::string_view kDots = "...";

struct Glyph {
  FT_Face face = nullptr;  // the face it comes from: the chosen one or a fallback
  FT_UInt index = 0;
  int left = 0;  // bitmap offset from the pen: right of it
  int top = 0;   // and above the baseline
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> coverage;  // width x height, 0..255
  FT_Vector advance{};                 // 26.6, y up
};

struct PlacedGlyph {
  const Glyph* glyph;
  long long x;  // bitmap's top-left relative to the line's pen start and baseline
  long long y;
};

struct LineLayout {
  std::vector<PlacedGlyph> glyphs;
  long long width = 0;     // covers both the advances and the ink
  long long shift = 0;     // moves ink that starts left of the pen start into the measured box
  long long inkAbove = 0;  // rows of ink above the baseline
  long long inkBelow = 0;  // and from the baseline down
};

FT_Fixed ToFixed(double v) {
  return static_cast<FT_Fixed>(std::lround(v * kOne));
}

long long RoundFrom26Dot6(FT_Pos v) {
  return (v >= 0 ? v + 32 : v - 32) / 64;
}

}  // namespace

struct Font::Engine {
  struct Fallback {
    FaceFile file;
    Face face;
  };

  Library library;  // declared first: destroyed after the faces
  Face face;
  FaceFile file;
  int weight = 400;
  bool italic = false;
  std::vector<Fallback> fallbacks;  // opened as glyphs need them
  bool mono = false;
  bool bold = false;  // emboldens the faces that lack the weight
  bool transformed = false;
  FT_Matrix matrix{kOne, 0, 0, kOne};
  FT_F26Dot6 em = 0;
  int ascent = 0;
  int lineHeight = 0;
  Pixel color = 0xFF000000u;
  std::unordered_map<char32_t, Glyph> glyphs;
  long long rendered = 0;

  bool setHeight(int height);
  FT_Face faceFor(char32_t c, FT_UInt* index);
  const Glyph& glyph(char32_t c);
  LineLayout layout(std::string_view line);
  LineLayout fit(std::string_view line, long long width, std::string& shown);
};

bool Font::Engine::setHeight(int height) {
  FT_Face f = face.get();
  // The cell spans the OS/2 table's clipping ascent and descent when the face has them:
  // unlike the typographic ascender, they cover accents and tall marks.
  long long cellAscent = f->ascender;
  long long cellDescent = -f->descender;
  if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(f, FT_SFNT_OS2));
      os2 != nullptr && os2->usWinAscent + os2->usWinDescent > 0) {
    cellAscent = os2->usWinAscent;
    cellDescent = os2->usWinDescent;
  }
  const auto sizeTo = [&](FT_F26Dot6 size) {
    em = std::max<FT_F26Dot6>(size, 64);
    if (FT_Set_Char_Size(f, 0, em, 72, 72) != 0) return false;
    if (FT_IS_SCALABLE(f)) {
      const FT_Fixed scale = f->size->metrics.y_scale;
      ascent = static_cast<int>((FT_MulFix(static_cast<FT_Long>(cellAscent), scale) + 63) / 64);
      lineHeight = ascent + static_cast<int>(
                                (FT_MulFix(static_cast<FT_Long>(cellDescent), scale) + 63) / 64);
    } else {
      ascent = static_cast<int>((f->size->metrics.ascender + 63) / 64);
      lineHeight = ascent + static_cast<int>((-f->size->metrics.descender + 63) / 64);
    }
    return true;
  };
  const long long cell = cellAscent + cellDescent;
  if (!FT_IS_SCALABLE(f) || cell <= 0) return sizeTo(static_cast<FT_F26Dot6>(height) * 64);
  // The largest em size whose line height, in whole pixels, fits.
  FT_F26Dot6 high = static_cast<FT_F26Dot6>(height * 64LL * f->units_per_EM / cell) + 64;
  FT_F26Dot6 low = 64;
  if (!sizeTo(low)) return false;
  while (low < high) {
    const FT_F26Dot6 mid = (low + high + 1) / 2;
    if (!sizeTo(mid)) return false;
    if (lineHeight <= height) {
      low = mid;
    } else {
      high = mid - 1;
    }
  }
  return sizeTo(low);
}

// The chosen face when it has the code point, else the first face fontconfig
// ranks after it that does, at the same em size and style, so that its glyph
// sits on the same baseline with its own metrics.
FT_Face Font::Engine::faceFor(char32_t c, FT_UInt* index) {
  *index = FT_Get_Char_Index(face.get(), c);
  if (*index != 0 || c < 0x20) return face.get();
  for (const Fallback& fallback : fallbacks) {
    *index = FT_Get_Char_Index(fallback.face.get(), c);
    if (*index != 0) return fallback.face.get();
  }
  const std::optional<FaceFile> found = FindFaceFor(c, file, weight, italic);
  if (!found) return face.get();
  for (const Fallback& fallback : fallbacks)
    if (fallback.file.path == found->path && fallback.file.index == found->index) return face.get();
  FT_Face opened = nullptr;
  if (FT_New_Face(library.get(), found->path.c_str(), found->index, &opened) != 0)
    return face.get();
  Face made(opened);
  if (FT_Set_Char_Size(opened, 0, em, 72, 72) != 0) return face.get();
  if (transformed) FT_Set_Transform(opened, &matrix, nullptr);
  const FT_UInt inFallback = FT_Get_Char_Index(opened, c);
  fallbacks.push_back({*found, std::move(made)});
  if (inFallback == 0) return face.get();
  *index = inFallback;
  return opened;
}

const Glyph& Font::Engine::glyph(char32_t c) {
  if (const auto found = glyphs.find(c); found != glyphs.end()) return found->second;
  Glyph& g = glyphs[c];
  FT_Face f = faceFor(c == U'\t' ? U' ' : c, &g.index);
  g.face = f;
  // Unhinted outlines stay inside the font's cell; aliased glyphs need the hinting.
  const FT_Int32 load = FT_LOAD_NO_BITMAP | (mono ? FT_LOAD_TARGET_MONO : FT_LOAD_NO_HINTING);
  if (FT_Load_Glyph(f, g.index, load) != 0) return g;
  FT_GlyphSlot slot = f->glyph;
  const bool embolden = bold && (f->style_flags & FT_STYLE_FLAG_BOLD) == 0;
  if (embolden && slot->format == FT_GLYPH_FORMAT_OUTLINE) {
    const FT_Pos strength = FT_MulFix(f->units_per_EM, f->size->metrics.y_scale) / 24;
    FT_Outline_EmboldenXY(&slot->outline, strength, 0);
    if (!transformed) slot->advance.x += strength;
  }
  g.advance = slot->advance;
  if (FT_Render_Glyph(slot, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) return g;
  ++rendered;
  const FT_Bitmap& bitmap = slot->bitmap;
  g.left = slot->bitmap_left;
  g.top = slot->bitmap_top;
  g.width = static_cast<int>(bitmap.width);
  g.height = static_cast<int>(bitmap.rows);
  if (g.width <= 0 || g.height <= 0 || bitmap.buffer == nullptr) {
    g.width = g.height = 0;
    return g;
  }
  g.coverage.assign(static_cast<std::size_t>(g.width) * static_cast<std::size_t>(g.height), 0);
  const long long pitch = std::llabs(bitmap.pitch);
  for (int y = 0; y < g.height; ++y) {
    // A negative pitch stores the rows bottom-up.
    const long long storedRow = bitmap.pitch >= 0 ? y : g.height - 1 - y;
    const unsigned char* row = bitmap.buffer + storedRow * pitch;
    std::uint8_t* out =
        g.coverage.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(g.width);
    for (int x = 0; x < g.width; ++x) {
      if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
        out[x] = (row[x / 8] >> (7 - x % 8)) & 1 ? 255 : 0;
      } else if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
        out[x] = row[x];
      }
    }
  }
  return g;
}

LineLayout Font::Engine::layout(std::string_view line) {
  LineLayout result;
  FT_Face f = face.get();
  const bool kerning = FT_HAS_KERNING(f) && !transformed;
  FT_Vector pen{0, 0};
  FT_UInt previous = 0;
  long long inkLeft = 0;
  long long inkRight = 0;
  for (std::size_t at = 0; at < line.size();) {
    const Glyph& g = glyph(NextCodePoint(line, at));
    if (kerning && previous != 0 && g.index != 0 && g.face == f) {
      FT_Vector delta{};
      if (FT_Get_Kerning(f, previous, g.index, FT_KERNING_DEFAULT, &delta) == 0) pen.x += delta.x;
    }
    previous = g.face == f ? g.index : 0;  // pairs are kerned in the chosen face only
    if (g.width > 0) {
      const long long x = RoundFrom26Dot6(pen.x) + g.left;
      const long long y = -RoundFrom26Dot6(pen.y) - g.top;
      inkLeft = std::min(inkLeft, x);
      inkRight = std::max(inkRight, x + g.width);
      result.inkAbove = std::max(result.inkAbove, -y);
      result.inkBelow = std::max(result.inkBelow, y + g.height);
      result.glyphs.push_back({&g, x, y});
    }
    pen.x += g.advance.x;
    pen.y += g.advance.y;
  }
  const long long advance = std::llabs(RoundFrom26Dot6(pen.x));
  result.shift = -inkLeft;
  result.width = std::max(advance, inkRight) + result.shift;
  return result;
}

// The line, or when wider than width its longest start, cut at a character
// boundary, that fits with an ellipsis after it; shown keeps the text laid out.
LineLayout Font::Engine::fit(std::string_view line, long long width, std::string& shown) {
  LineLayout whole = layout(line);
  if (whole.width <= width) return whole;
  FT_UInt index = 0;
  faceFor(0x2026, &index);
  const std::string_view mark = index != 0 ? kEllipsis : kDots;
  std::vector<std::size_t> cuts{0};
  for (std::size_t at = 0; at < line.size();) {
    at = NextCluster(line, at);
    cuts.push_back(at);
  }
  const auto withMark = [&](std::size_t end) {
    std::string_view kept = line.substr(0, end);
    while (!kept.empty() && kept.back() == ' ')
      kept.remove_suffix(1);
    shown.assign(kept);
    shown.append(mark);
    return layout(shown);
  };
  // The widest cut that fits, found by halving; widths grow with the cut.
  std::size_t low = 0;
  std::size_t high = cuts.size() - 1;
  while (low < high) {
    const std::size_t mid = (low + high + 1) / 2;
    if (withMark(cuts[mid]).width <= width) {
      low = mid;
    } else {
      high = mid - 1;
    }
  }
  return withMark(cuts[low]);
}

Font::Font(std::unique_ptr<Engine> engine) : mEngine(std::move(engine)) {}
Font::~Font() = default;

std::unique_ptr<Font> Font::Create(const FontRequest& request) {
  const bool bold = request.weight >= 600;
  const std::optional<FaceFile> file = FindFace(request.face, bold ? 700 : 400, request.italic);
  if (!file) return nullptr;

  auto engine = std::make_unique<Engine>();
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) return nullptr;
  engine->library.reset(library);
  FT_Face face = nullptr;
  if (FT_New_Face(library, file->path.c_str(), file->index, &face) != 0) return nullptr;
  engine->face.reset(face);
  engine->file = *file;
  engine->weight = bold ? 700 : 400;
  engine->italic = request.italic;
  engine->mono = request.quality == FontQuality::kAliased;
  // A face lacking the requested weight or slant is emboldened or slanted here.
  engine->bold = bold;
  const bool slant = request.italic && (face->style_flags & FT_STYLE_FLAG_ITALIC) == 0;
  if (!engine->setHeight(std::clamp(request.height, 1, kMaxHeight))) return nullptr;

  // Escapement turns the baseline counter-clockwise.
  const double angle = (request.orientation % 3600) / 10.0 * std::numbers::pi / 180.0;
  const double shear = slant ? kItalicShear : 0.0;
  if (angle != 0.0 || shear != 0.0) {
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    engine->matrix = {ToFixed(c), ToFixed(c * shear - s), ToFixed(s), ToFixed(s * shear + c)};
    FT_Set_Transform(face, &engine->matrix, nullptr);
    engine->transformed = true;
  }
  return std::unique_ptr<Font>(new Font(std::move(engine)));
}

int Font::lineHeight() const {
  return mEngine->lineHeight;
}
const std::string& Font::family() const {
  return mEngine->file.family;
}
void Font::setTextColor(Pixel color) {
  mEngine->color = color;
}
Pixel Font::textColor() const {
  return mEngine->color;
}
long long Font::glyphsRendered() const {
  return mEngine->rendered;
}

int Font::drawText(Bitmap* dest, const char* text, int len, RECT* rect, unsigned flags,
                   const RECT* clip) {
  if (text == nullptr || rect == nullptr) return 0;
  const std::string_view all(text, len < 0 ? std::strlen(text) : static_cast<std::size_t>(len));
  const bool fit = (flags & kTextEndEllipsis) != 0;
  const long long fitWidth = std::max(0LL, static_cast<long long>(rect->right) - rect->left);
  std::string shown;
  std::vector<LineLayout> lines;
  for (std::size_t start = 0; start <= all.size();) {
    std::size_t end = all.find('\n', start);
    if (end == std::string_view::npos) end = all.size();
    std::string_view line = all.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(fit ? mEngine->fit(line, fitWidth, shown) : mEngine->layout(line));
    start = end + 1;
  }
  if (all.empty()) lines.clear();
  // Lines are a line height apart. Ink beyond the font's cell (rare, in faces whose
  // metrics undersell their glyphs) moves the first baseline down and extends the height,
  // so that the measure always contains the drawing.
  long long firstBaseline = mEngine->ascent;
  if (!lines.empty()) firstBaseline = std::max(firstBaseline, lines.front().inkAbove);
  long long extent = static_cast<long long>(lines.size()) * mEngine->lineHeight +
                     (firstBaseline - mEngine->ascent);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    extent = std::max(extent, firstBaseline + static_cast<long long>(i) * mEngine->lineHeight +
                                  lines[i].inkBelow);
  }
  const int height = static_cast<int>(std::min<long long>(extent, std::numeric_limits<int>::max()));

  if ((flags & kTextCalcRect) != 0) {
    long long width = 0;
    for (const LineLayout& line : lines)
      width = std::max(width, line.width);
    rect->right =
        static_cast<int>(std::min<long long>(rect->left + width, std::numeric_limits<int>::max()));
    rect->bottom = static_cast<int>(std::min<long long>(static_cast<long long>(rect->top) + height,
                                                        std::numeric_limits<int>::max()));
    return height;
  }
  if (dest == nullptr) return height;
  const Rows rows(*dest);
  if (rows.empty()) return height;

  long long clipLeft = 0, clipTop = 0, clipRight = rows.width(), clipBottom = rows.height();
  if (clip != nullptr) {
    clipLeft = std::max<long long>(clipLeft, clip->left);
    clipTop = std::max<long long>(clipTop, clip->top);
    clipRight = std::min<long long>(clipRight, clip->right);
    clipBottom = std::min<long long>(clipBottom, clip->bottom);
  }
  if (fit) {
    clipLeft = std::max<long long>(clipLeft, rect->left);
    clipTop = std::max<long long>(clipTop, rect->top);
    clipRight = std::min<long long>(clipRight, rect->right);
    clipBottom = std::min<long long>(clipBottom, rect->bottom);
  }
  const Pixel color = mEngine->color;
  const int alpha = (flags & kTextColorAlpha) != 0 ? static_cast<int>(color >> 24) : 255;
  const unsigned align = flags & 3u;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const LineLayout& line = lines[i];
    long long originX = rect->left;
    if (align == kTextCenter)
      originX = rect->left + (static_cast<long long>(rect->right) - rect->left - line.width) / 2;
    if (align == kTextRight) originX = rect->right - line.width;
    originX += line.shift;
    const long long baseline =
        rect->top + firstBaseline + static_cast<long long>(i) * mEngine->lineHeight;
    for (const PlacedGlyph& placed : line.glyphs) {
      const Glyph& g = *placed.glyph;
      const long long left = originX + placed.x;
      const long long top = baseline + placed.y;
      const long long x0 = std::max<long long>(0, clipLeft - left);
      const long long x1 = std::min<long long>(g.width, clipRight - left);
      const long long y0 = std::max<long long>(0, clipTop - top);
      const long long y1 = std::min<long long>(g.height, clipBottom - top);
      for (long long y = y0; y < y1; ++y) {
        const std::uint8_t* coverage = g.coverage.data() + y * g.width;
        for (long long x = x0; x < x1; ++x) {
          const int a = (coverage[x] * alpha + 127) / 255;
          if (a == 0) continue;
          Pixel& d = rows.at(static_cast<int>(left + x), static_cast<int>(top + y));
          d = blend::Combine(blend::Op::kAlphaCopyFull, d,
                             (color & 0xFFFFFFu) | static_cast<Pixel>(a) << 24, 256);
        }
      }
    }
  }
  return height;
}

}  // namespace raster
