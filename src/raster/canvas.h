#pragma once

#include <span>

#include "raster/bitmap.h"
#include "raster/mode.h"

namespace raster {

// How a shape is put on: a colour (pixel word), an opacity and a mode word, combined with
// each pixel by the blit's per-pixel operators; coverage at anti-aliased edges scales the
// opacity.
struct Paint {
  Pixel color = 0xFF000000u;
  float alpha = 1.0f;
  int mode = kModeSourceAlpha;
};

// Draws shapes into a bitmap, clipped to it and to an optional clip rectangle. Integer
// coordinates are pixel centres: pixel (x, y) is the point (x, y).
class Canvas {
 public:
  explicit Canvas(Bitmap& target, const RECT* clip = nullptr);

  void putPixel(int x, int y, const Paint& paint);
  // Both end points included.
  void line(float x1, float y1, float x2, float y2, const Paint& paint, bool antialias);
  // Angles in radians, 0 pointing up, growing clockwise; the arc runs from minAngle to
  // maxAngle.
  void arc(float cx, float cy, float r, float minAngle, float maxAngle, const Paint& paint,
           bool antialias);
  void circle(float cx, float cy, float r, const Paint& paint, bool antialias);
  void fillCircle(float cx, float cy, float r, const Paint& paint, bool antialias);
  // Pixels [x, x + w) x [y, y + h).
  void fillRect(int x, int y, int w, int h, const Paint& paint);
  // Outline and fill within the pixels [x, x + w) x [y, y + h).
  void roundRect(int x, int y, int w, int h, int radius, const Paint& paint, bool antialias);
  void fillRoundRect(int x, int y, int w, int h, int radius, const Paint& paint, bool antialias);
  // Pixels whose centres lie inside; left and top edges included, right and bottom not.
  void fillTriangle(int x1, int y1, int x2, int y2, int x3, int y3, const Paint& paint);
  void fillConvexPolygon(std::span<const int> xs, std::span<const int> ys, const Paint& paint);

 private:
  Bitmap& mTarget;
  RECT mClip;  // inside the bitmap; empty when right <= left or bottom <= top
};

}  // namespace raster
