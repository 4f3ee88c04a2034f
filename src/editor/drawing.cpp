// The drawing operations of the control host, the loading of bitmaps and the
// text drawing with cached fonts.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <string>

#include "editor/caches.h"
#include "editor/composed_frames.h"
#include "editor/igraphics.h"
#include "editor/resources.h"
#include "editor/scaled_bitmaps.h"
#include "raster/blit.h"
#include "raster/canvas.h"
#include "raster/rows.h"
#include "raster/transform_blit.h"

namespace {

// The raster mode word of a blend; without one, normal compositing.
int ModeOf(const IChannelBlend* blend) {
  if (!blend) return raster::kModeSourceAlpha;
  switch (blend->mMethod) {
    case kBlendClobber:
      return raster::kModeCopy;
    case kBlendAdd:
      return raster::kModeSourceAlpha | raster::kModeAdd;
    case kBlendColorDodge:
      return raster::kModeSourceAlpha | raster::kModeColorDodge;
    case kBlendNone:
      break;
  }
  return raster::kModeSourceAlpha;
}

float WeightOf(const IChannelBlend* blend) {
  return blend ? blend->mWeight : 1.0f;
}

raster::Paint PaintOf(const IColor& color, const IChannelBlend* blend) {
  return {color.ToPixel(), WeightOf(blend), ModeOf(blend)};
}

// Plain copies at full weight: the lines of DrawRect and the straight lines.
raster::Paint Opaque(const IColor& color) {
  return {color.ToPixel(), 1.0f, raster::kModeCopy};
}

}  // namespace

std::unique_ptr<raster::Bitmap> IGraphics::OSLoadBitmap(int /*id*/, const char* name) {
  return LoadImageResource(name);
}

IBitmap IGraphics::LoadIBitmap(int id, const char* name, int nStates, bool framesAreHorizontal) {
  raster::Bitmap* data = s_bitmapCache.FindOrAdd(id, [&] { return OSLoadBitmap(id, name); });
  if (!data) return IBitmap(nullptr, 0, 0, nStates, framesAreHorizontal);
  IBitmap bitmap(data, data->getWidth(), data->getHeight(), nStates, framesAreHorizontal);
  // "resources/img/BG.png" has its double-resolution set in "resources/img/BG@2x.png".
  if (std::string path = name ? name : ""; path.size() > 4) {
    path.insert(path.size() - 4, "@2x");
    bitmap.mData2x = s_bitmapCache.FindOrAdd(id | kDoubleResolutionId,
                                             [&] { return OSLoadBitmap(id, path.c_str()); });
  }
  return bitmap;
}

IBitmap IGraphics::RetainBitmap(std::unique_ptr<raster::Bitmap> bitmap, int nStates,
                                bool framesAreHorizontal) {
  if (!bitmap) return IBitmap(nullptr, 0, 0, nStates, framesAreHorizontal);
  const int w = bitmap->getWidth();
  const int h = bitmap->getHeight();
  raster::Bitmap* kept = s_bitmapCache.Add(std::move(bitmap), -1);
  return IBitmap(kept, w, h, nStates, framesAreHorizontal);
}

void IGraphics::ReleaseBitmap(const IBitmap& bitmap) {
  if (bitmap.mData) s_bitmapCache.Remove(bitmap.mData);
}

IBitmap IGraphics::ScaleBitmap(const IBitmap& bitmap, int w, int h) {
  if (!bitmap.mData || w <= 0 || h <= 0) return IBitmap(nullptr, 0, 0, bitmap.N, false);
  auto scaled = std::make_unique<raster::MemBitmap>(w, h);
  raster::ScaleBlit(scaled.get(), bitmap.mData, raster::RECT{0, 0, w, h}, nullptr, 1.0f,
                    raster::kModeBilinear);
  return RetainBitmap(std::move(scaled), bitmap.N, false);
}

IBitmap IGraphics::CropBitmap(const IBitmap& bitmap, const IRECT& r) {
  if (!bitmap.mData || r.W() <= 0 || r.H() <= 0) return IBitmap(nullptr, 0, 0, bitmap.N, false);
  auto cropped = std::make_unique<raster::MemBitmap>(r.W(), r.H());
  // Parts of the area outside the source stay clear.
  raster::Canvas(*cropped).fillRect(0, 0, r.W(), r.H(), {0u, 1.0f, raster::kModeCopy});
  raster::Blit(cropped.get(), bitmap.mData, 0, 0, r.L, r.T, r.W(), r.H(), 1.0f, raster::kModeCopy);
  return RetainBitmap(std::move(cropped), bitmap.N, false);
}

bool IGraphics::DrawBitmap(const IBitmap& bitmap, const IRECT& dest, int bmpState,
                           const IChannelBlend* blend) {
  int srcX = 0;
  int srcY = 0;
  if (bitmap.N > 1 && bmpState > 1) {
    const double offset = static_cast<double>(bmpState - 1);
    if (bitmap.mFramesHorizontal) {
      srcX = static_cast<int>(0.5 + offset * bitmap.W / bitmap.N);
    } else {
      srcY = static_cast<int>(0.5 + offset * bitmap.H / bitmap.N);
    }
  }
  return DrawBitmap(bitmap, dest, srcX, srcY, blend);
}

bool IGraphics::DrawBitmap(const IBitmap& bitmap, const IRECT& dest, int srcX, int srcY,
                           const IChannelBlend* blend) {
  if (!bitmap.mData || !mSurface) return true;
  const double scale = Scale();
  if (scale == 1.) {
    const IRECT r = dest.Intersect(mDrawRect);
    if (r.W() <= 0 || r.H() <= 0) return true;
    raster::Blit(mSurface.get(), bitmap.mData, r.L, r.T, srcX + r.L - dest.L, srcY + r.T - dest.T,
                 r.W(), r.H(), WeightOf(blend), ModeOf(blend));
    return true;
  }
  // Scaled frame by frame: the offset splits into a whole frame and a place
  // inside it, and the blit stays inside that frame.
  raster::Bitmap* pixels = ScaledPixels(bitmap, scale);
  if (!pixels) return true;
  const int frameW = bitmap.FrameWidth();
  const int frameH = bitmap.FrameHeight();
  const int scaledW = ScaledSide(frameW, scale);
  const int scaledH = ScaledSide(frameH, scale);
  const auto at = [scale](int v) { return static_cast<int>(std::lround(v * scale)); };
  int x = at(srcX);
  int y = at(srcY);
  int frameRight = pixels->getWidth();
  int frameBottom = pixels->getHeight();
  if (bitmap.N > 1 && frameW > 0 && frameH > 0) {
    if (bitmap.mFramesHorizontal) {
      const int frame = std::clamp(srcX / frameW, 0, bitmap.N - 1);
      x = frame * scaledW + at(srcX - frame * frameW);
      frameRight = (frame + 1) * scaledW;
    } else {
      const int frame = std::clamp(srcY / frameH, 0, bitmap.N - 1);
      y = frame * scaledH + at(srcY - frame * frameH);
      frameBottom = (frame + 1) * scaledH;
    }
  }
  const IRECT to = ToSurface(dest);
  IRECT r = to.Intersect(ToSurface(mDrawRect));
  r.R = std::min(r.R, to.L + frameRight - x);
  r.B = std::min(r.B, to.T + frameBottom - y);
  if (r.W() <= 0 || r.H() <= 0) return true;
  raster::Blit(mSurface.get(), pixels, r.L, r.T, x + r.L - to.L, y + r.T - to.T, r.W(), r.H(),
               WeightOf(blend), ModeOf(blend));
  return true;
}

namespace {

// A composed frame's box, which lies within its place, on the surface.
IRECT OnSurface(const IRECT& box, const IRECT& place) {
  if (box.Empty()) return {};
  return {box.L + place.L, box.T + place.T, box.R + place.L, box.B + place.T};
}

}  // namespace

bool IGraphics::DrawComposed(const IBitmap& frames, int frame, const IBitmap& under,
                             const IRECT& dest, ComposedPatch* patch) {
  if (!mSurface || !frames.IsValid() || !under.IsValid()) return false;
  const double scale = Scale();
  const IRECT place = ToSurface(dest);
  if (patch->mScale != scale) {
    patch->mKey = PatchKey(under, place, scale);
    patch->mScale = scale;
    patch->mShownFrame = 0;
  }
  bool drawn = false;
  WithComposedFrame(frames, frame, under, place, scale, patch->mKey, [&](const ComposedFrame& f) {
    const IRECT clip = place.Intersect(ToSurface(mDrawRect));
    const auto copy = [&](raster::Bitmap& from, const IRECT& at, const IRECT& to) {
      if (to.W() > 0 && to.H() > 0)
        raster::Blit(mSurface.get(), &from, to.L, to.T, to.L - at.L, to.T - at.T, to.W(), to.H(),
                     1.0f, raster::kModeCopy);
    };
    copy(f.face, place, clip);
    const IRECT box = OnSurface(f.box, place);
    if (f.boxPixels) copy(*f.boxPixels, box, box.Intersect(clip));
    // The surface shows the frame all over when this drawing reached every
    // pixel where it and the frame shown before differ from the face.
    const IRECT changed = patch->mShownFrame ? patch->mShownBox.Union(box) : place;
    const bool whole =
        frame == patch->mShownFrame || changed.Empty() || clip.Intersect(changed) == changed;
    patch->mShownFrame = whole ? frame : 0;
    patch->mShownBox = box;
    drawn = true;
  });
  return drawn;
}

IRECT IGraphics::ComposedDirtyArea(const IBitmap& frames, int frame, const IBitmap& under,
                                   const IRECT& dest, const ComposedPatch& patch) {
  const double scale = Scale();
  if (!patch.mShownFrame || patch.mScale != scale || frame == patch.mShownFrame) return dest;
  const IRECT place = ToSurface(dest);
  IRECT box;
  WithComposedFrame(frames, frame, under, place, scale, patch.mKey,
                    [&](const ComposedFrame& f) { box = OnSurface(f.box, place); });
  const IRECT changed = patch.mShownBox.Union(box);
  if (changed.Empty()) return dest;
  // Editor units that cover those pixels.
  const auto down = [scale](int v) { return static_cast<int>(std::floor(v / scale)); };
  const auto up = [scale](int v) { return static_cast<int>(std::ceil(v / scale)); };
  return IRECT(down(changed.L), down(changed.T), up(changed.R), up(changed.B)).Intersect(dest);
}

bool IGraphics::DrawRotatedBitmap(const IBitmap& bitmap, int centreX, int centreY, double angle,
                                  int yOffsetZeroDeg, const IChannelBlend* blend) {
  raster::Bitmap* pixels = ScaledPixels(bitmap, Scale());
  if (!pixels || !mSurface) return true;
  const int w = pixels->getWidth();
  const int h = pixels->getHeight();
  const int x = static_cast<int>(std::lround(ToSurface(static_cast<float>(centreX)))) - w / 2;
  const int y = static_cast<int>(std::lround(ToSurface(static_cast<float>(centreY)))) - h / 2;
  const raster::RECT area{x, y, x + w, y + h};
  const raster::RECT clip = SurfaceClip();
  const raster::Rotation rotation{
      angle, 0.0, static_cast<double>(ToSurface(static_cast<float>(yOffsetZeroDeg))), false};
  raster::RotateBlit(mSurface.get(), pixels, area, rotation, WeightOf(blend),
                     raster::kModeBilinear | ModeOf(blend), &clip);
  return true;
}

bool IGraphics::DrawRotatedMask(const IBitmap& base, const IBitmap& mask, const IBitmap& top, int x,
                                int y, double angle, const IChannelBlend* blend) {
  const double scale = Scale();
  raster::Bitmap* basePixels = ScaledPixels(base, scale);
  if (!basePixels || !mSurface) return true;
  if (!mScratch) mScratch = std::make_unique<raster::MemBitmap>();
  raster::Copy(mScratch.get(), basePixels);
  const raster::Rows rows(*mScratch);
  for (int row = 0; row < rows.height(); ++row)
    for (raster::Pixel& p : rows.row(row))
      p &= 0x00FFFFFFu;
  const int w = basePixels->getWidth();
  const int h = basePixels->getHeight();
  const raster::RECT area{0, 0, w, h};
  const raster::Rotation rotation{angle * std::numbers::pi / 180.0, (w % 2) ? -0.5 : 0.0, 0.0,
                                  true};
  if (raster::Bitmap* maskPixels = ScaledPixels(mask, scale))
    raster::RotateBlit(mScratch.get(), maskPixels, area, rotation, 1.0f,
                       raster::kModeSourceAlpha | raster::kModeBilinear | raster::kModeAdd);
  if (raster::Bitmap* topPixels = ScaledPixels(top, scale))
    raster::RotateBlit(mScratch.get(), topPixels, area, rotation, 1.0f,
                       raster::kModeSourceAlpha | raster::kModeBilinear);
  const IRECT to = ToSurface(IRECT(x, y, x, y));
  const IRECT r = IRECT(to.L, to.T, to.L + w, to.T + h).Intersect(ToSurface(mDrawRect));
  if (r.W() <= 0 || r.H() <= 0) return true;
  raster::Blit(mSurface.get(), mScratch.get(), r.L, r.T, r.L - to.L, r.T - to.T, r.W(), r.H(),
               WeightOf(blend), ModeOf(blend));
  return true;
}

raster::RECT IGraphics::SurfaceClip() const {
  return ToSurface(mDrawRect).ToRaster();
}

bool IGraphics::OnCanvas(const std::function<void(raster::Canvas&)>& draw) {
  if (!mSurface) return false;
  const raster::RECT clip = SurfaceClip();
  raster::Canvas canvas(*mSurface, &clip);
  draw(canvas);
  return true;
}

bool IGraphics::DrawPoint(const IColor& color, float x, float y, const IChannelBlend* blend,
                          bool /*antiAlias*/) {
  return OnCanvas([&](raster::Canvas& c) {
    c.putPixel(static_cast<int>(ToSurface(x) + 0.5f), static_cast<int>(ToSurface(y) + 0.5f),
               PaintOf(color, blend));
  });
}

bool IGraphics::ForcePixel(const IColor& color, int x, int y) {
  const IRECT at = ToSurface(IRECT(x, y, x, y));
  x = at.L;
  y = at.T;
  if (!mSurface || x < 0 || y < 0 || x >= mSurface->getWidth() || y >= mSurface->getHeight())
    return false;
  raster::Rows(*mSurface).at(x, y) = color.ToPixel();
  return true;
}

bool IGraphics::DrawLine(const IColor& color, float x1, float y1, float x2, float y2,
                         const IChannelBlend* blend, bool antiAlias) {
  const auto whole = [this](float v) { return ToSurface(static_cast<float>(static_cast<int>(v))); };
  return OnCanvas([&](raster::Canvas& c) {
    c.line(whole(x1), whole(y1), whole(x2), whole(y2), PaintOf(color, blend), antiAlias);
  });
}

bool IGraphics::DrawArc(const IColor& color, float cx, float cy, float r, float minAngle,
                        float maxAngle, const IChannelBlend* blend, bool antiAlias) {
  return OnCanvas([&](raster::Canvas& c) {
    c.arc(ToSurface(cx), ToSurface(cy), ToSurface(r), minAngle, maxAngle, PaintOf(color, blend),
          antiAlias);
  });
}

bool IGraphics::DrawCircle(const IColor& color, float cx, float cy, float r,
                           const IChannelBlend* blend, bool antiAlias) {
  return OnCanvas([&](raster::Canvas& c) {
    c.circle(ToSurface(cx), ToSurface(cy), ToSurface(r), PaintOf(color, blend), antiAlias);
  });
}

bool IGraphics::RoundRect(const IColor& color, const IRECT& area, const IChannelBlend* blend,
                          int cornerRadius, bool antiAlias) {
  const IRECT r = ToSurface(area);
  cornerRadius = static_cast<int>(ToSurface(static_cast<float>(cornerRadius)));
  return OnCanvas([&](raster::Canvas& c) {
    c.roundRect(r.L, r.T, r.W(), r.H(), cornerRadius, PaintOf(color, blend), antiAlias);
  });
}

bool IGraphics::FillRoundRect(const IColor& color, const IRECT& area, const IChannelBlend* blend,
                              int cornerRadius, bool antiAlias) {
  const IRECT r = ToSurface(area);
  cornerRadius = static_cast<int>(ToSurface(static_cast<float>(cornerRadius)));
  return OnCanvas([&](raster::Canvas& c) {
    const raster::Paint paint = PaintOf(color, blend);
    const int k = std::max(cornerRadius, 0);
    // The middle band, the two side bands between the corners, and the corners.
    c.fillRect(r.L + k, r.T, r.W() - 2 * k, r.H(), paint);
    c.fillRect(r.L, r.T + k, k, r.H() - 2 * k, paint);
    c.fillRect(r.R - k, r.T + k, k, r.H() - 2 * k, paint);
    const auto at = [](int v) { return static_cast<float>(v); };
    const auto radius = static_cast<float>(k);
    c.fillCircle(at(r.L + k), at(r.T + k), radius, paint, antiAlias);
    c.fillCircle(at(r.R - k - 1), at(r.B - k - 1), radius, paint, antiAlias);
    c.fillCircle(at(r.R - k - 1), at(r.T + k), radius, paint, antiAlias);
    c.fillCircle(at(r.L + k), at(r.B - k - 1), radius, paint, antiAlias);
  });
}

bool IGraphics::FillIRect(const IColor& color, const IRECT& area, const IChannelBlend* blend) {
  const IRECT r = ToSurface(area);
  return OnCanvas(
      [&](raster::Canvas& c) { c.fillRect(r.L, r.T, r.W(), r.H(), PaintOf(color, blend)); });
}

bool IGraphics::FillCircle(const IColor& color, int cx, int cy, float r, const IChannelBlend* blend,
                           bool antiAlias) {
  return OnCanvas([&](raster::Canvas& c) {
    c.fillCircle(ToSurface(static_cast<float>(cx)), ToSurface(static_cast<float>(cy)), ToSurface(r),
                 PaintOf(color, blend), antiAlias);
  });
}

bool IGraphics::FillTriangle(const IColor& color, int x1, int y1, int x2, int y2, int x3, int y3,
                             const IChannelBlend* blend) {
  const auto at = [this](int v) {
    return static_cast<int>(std::lround(ToSurface(static_cast<float>(v))));
  };
  return OnCanvas([&](raster::Canvas& c) {
    c.fillTriangle(at(x1), at(y1), at(x2), at(y2), at(x3), at(y3), PaintOf(color, blend));
  });
}

bool IGraphics::FillIConvexPolygon(const IColor& color, std::span<const int> xs,
                                   std::span<const int> ys, const IChannelBlend* blend) {
  std::vector<int> sx(xs.begin(), xs.end()), sy(ys.begin(), ys.end());
  for (int& v : sx)
    v = static_cast<int>(std::lround(ToSurface(static_cast<float>(v))));
  for (int& v : sy)
    v = static_cast<int>(std::lround(ToSurface(static_cast<float>(v))));
  return OnCanvas([&](raster::Canvas& c) { c.fillConvexPolygon(sx, sy, PaintOf(color, blend)); });
}

bool IGraphics::DrawRect(const IColor& color, const IRECT& r) {
  return DrawHorizontalLine(color, r.T, r.L, r.R) && DrawHorizontalLine(color, r.B, r.L, r.R) &&
         DrawVerticalLine(color, r.L, r.T, r.B) && DrawVerticalLine(color, r.R, r.T, r.B);
}

bool IGraphics::DrawVerticalLine(const IColor& color, int x, int yLo, int yHi) {
  const auto f = [this](int v) { return ToSurface(static_cast<float>(v)); };
  return OnCanvas(
      [&](raster::Canvas& c) { c.line(f(x), f(yLo), f(x), f(yHi), Opaque(color), false); });
}

bool IGraphics::DrawHorizontalLine(const IColor& color, int y, int xLo, int xHi) {
  const auto f = [this](int v) { return ToSurface(static_cast<float>(v)); };
  return OnCanvas(
      [&](raster::Canvas& c) { c.line(f(xLo), f(y), f(xHi), f(y), Opaque(color), false); });
}

bool IGraphics::DrawVerticalLine(const IColor& color, const IRECT& r, float x) {
  x = std::clamp(x, 0.0f, 1.0f);
  return DrawVerticalLine(color, r.L + static_cast<int>(static_cast<float>(r.W()) * x), r.T, r.B);
}

bool IGraphics::DrawHorizontalLine(const IColor& color, const IRECT& r, float y) {
  y = std::clamp(y, 0.0f, 1.0f);
  return DrawHorizontalLine(color, r.B - static_cast<int>(static_cast<float>(r.H()) * y), r.L, r.R);
}

bool IGraphics::DrawRadialLine(const IColor& color, float cx, float cy, float angle, float rMin,
                               float rMax, const IChannelBlend* blend, bool antiAlias) {
  const float s = std::sin(angle);
  const float c = std::cos(angle);
  return OnCanvas([&](raster::Canvas& canvas) {
    canvas.line(ToSurface(cx + rMin * s), ToSurface(cy - rMin * c), ToSurface(cx + rMax * s),
                ToSurface(cy - rMax * c), PaintOf(color, blend), antiAlias);
  });
}

IColor IGraphics::GetPoint(int x, int y) {
  const IRECT at = ToSurface(IRECT(x, y, x, y));
  x = at.L;
  y = at.T;
  if (!mSurface || x < 0 || y < 0 || x >= mSurface->getWidth() || y >= mSurface->getHeight())
    return {};
  return IColor::FromPixel(raster::Rows(*mSurface).at(x, y));
}

CachedFont* IGraphics::CacheFont(IText* text) {
  const FontStorage::Key key{text->mSize, text->mOrientation, text->mStyle, text->mFontName};
  CachedFont* font = s_fontCache.FindOrAdd(key, [&]() -> std::unique_ptr<raster::Font> {
    raster::FontRequest request;
    request.face = text->mFontName;
    request.height = std::max(text->mSize, 2);
    request.orientation = 10 * text->mOrientation;
    request.weight = text->mStyle == IText::kTextBold ? 700 : 400;
    request.italic = text->mStyle == IText::kTextItalic;
    switch (text->mQuality) {
      case IText::kQualityDefault:
        request.quality = raster::FontQuality::kDefault;
        break;
      case IText::kQualityAntiAliased:
      case IText::kQualityClearType:
        request.quality = raster::FontQuality::kAntiAliased;
        break;
      default:
        request.quality = raster::FontQuality::kAliased;
        break;
    }
    std::unique_ptr<raster::Font> made = raster::Font::Create(request);
    if (made && made->lineHeight() != request.height) {
      // Once more, scaled so that the line comes out at the requested height.
      const double hs = text->mSize < 2 ? 2.0 : text->mSize;
      request.height = std::max(static_cast<int>(hs * hs / made->lineHeight() + 0.5), 2);
      if (auto again = raster::Font::Create(request)) made = std::move(again);
    }
    return made;
  });
  text->mCachedFont = font;
  return font;
}

bool IGraphics::DrawIText(IText* text, const char* str, IRECT* r, bool measure) {
  if (!str || str[0] == '\0') return true;
  // At another scale the font engine renders the style at its scaled size.
  const double scale = Scale();
  IText scaledStyle;
  IText* style = text;
  if (scale != 1.) {
    scaledStyle = *text;
    scaledStyle.mSize = static_cast<int>(std::lround(text->mSize * scale));
    scaledStyle.mCachedFont = nullptr;
    style = &scaledStyle;
  }
  CachedFont* font = style->mCachedFont ? style->mCachedFont : CacheFont(style);
  if (!font) return false;
  unsigned flags = raster::kTextNoClip;
  if (text->mAlign == IText::kAlignCenter) flags |= raster::kTextCenter;
  if (text->mAlign == IText::kAlignRight) flags |= raster::kTextRight;
  if (text->mColor.A < 255) flags |= raster::kTextColorAlpha;
  const raster::Pixel color = text->mColor.ToPixel();
  IRECT area = ToSurface(*r);
  if (measure) {
    raster::RECT box{0, 0, 0, 0};
    font->DrawText(nullptr, str, &box, flags | raster::kTextCalcRect, color);
    const int w = box.right;
    const int h = box.bottom;
    if (text->mAlign == IText::kAlignCenter) {
      area.L = static_cast<int>((area.L + area.R) * 0.5) - w / 2;
      area.R = area.L + w;
    } else if (text->mAlign == IText::kAlignRight) {
      area.L = area.R - w;
    } else {
      area.R = area.L + w;
    }
    area.B = area.T + h;
    *r = scale == 1. ? area : FromSurface(area);
    return true;
  }
  if (!mSurface) return false;
  raster::RECT box = area.ToRaster();
  const raster::RECT clip = SurfaceClip();
  if (text->mEndEllipsis) flags |= raster::kTextEndEllipsis;
  font->DrawText(mSurface.get(), str, &box, flags, color, &clip);
  return true;
}

bool IGraphics::MeasureIText(IText* text, const char* str, IRECT* r) {
  return DrawIText(text, str, r, true);
}

bool IGraphics::DrawBitmapedText(const IBitmap& font, const IRECT& r, const IText& text,
                                 const IChannelBlend* blend, const char* str, bool vCentre,
                                 bool multiLine, int charWidth, int charHeight, int charOffset) {
  if (!str || str[0] == '\0') return true;
  // A character cell of no width would divide by zero below.
  if (charWidth <= 0 || r.W() <= 0) return true;
  const int len = static_cast<int>(std::strlen(str));
  const int y0 = r.T + (vCentre ? (r.B - charHeight - r.T) / 2 : 0);
  const int textWidth = len * charWidth;
  int x0 = r.L;
  if (text.mAlign == IText::kAlignRight) x0 = r.R - textWidth;
  if (text.mAlign == IText::kAlignCenter) x0 = r.L + (r.W() - textWidth) / 2;
  int perLine = r.W() / charWidth;
  int lines = 1;
  if (multiLine && textWidth > r.W()) lines = textWidth / r.W() + 1;
  if (perLine <= 0) return true;
  int at = 0;
  for (int line = 0; line < lines && at < len; ++line) {
    int x = x0;
    for (int i = 0; i < perLine && at < len; ++i, ++at) {
      const int frame = static_cast<unsigned char>(str[at]) - 31;
      const IRECT cell(x, y0 + line * charHeight, x + charWidth, y0 + (line + 1) * charHeight);
      DrawBitmap(font, cell, frame, blend);
      x += charWidth + charOffset;
    }
  }
  return true;
}
