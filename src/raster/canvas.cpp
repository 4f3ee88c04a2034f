#include "raster/canvas.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "raster/pen.h"
#include "raster/rows.h"

namespace raster {
namespace {

// Coordinates beyond this are held there: far outside any bitmap, and safe to square.
constexpr double kFar = 1 << 24;

// Coordinates arrive as float or double; both are held in double.
template <typename Real>
double Hold(Real value) {
  const auto v = static_cast<double>(value);
  return std::isnan(v) ? 0.0 : std::clamp(v, -kFar, kFar);
}

template <typename Real>
long long Nearest(Real v) {
  return static_cast<long long>(std::floor(Hold(v) + 0.5));
}

// Rounds a/b up; b > 0.
long long CeilDiv(long long a, long long b) {
  return a >= 0 ? (a + b - 1) / b : -((-a) / b);
}

// Rounds a/b to the nearest integer, halves up; b > 0.
long long RoundDiv(long long a, long long b) {
  return CeilDiv(2 * a - b + 1, 2 * b);
}

class Target {
 public:
  Target(Bitmap& bitmap, const RECT& clip) : mRows(bitmap), mClip(clip) {}

  bool empty() const {
    return mRows.empty() || mClip.right <= mClip.left || mClip.bottom <= mClip.top;
  }
  bool inside(long long x, long long y) const {
    return x >= mClip.left && x < mClip.right && y >= mClip.top && y < mClip.bottom;
  }
  void plot(long long x, long long y, const Pen& pen) const {
    if (inside(x, y)) pen.plot(mRows.at(static_cast<int>(x), static_cast<int>(y)));
  }
  void plot(long long x, long long y, const Pen& pen, int coverage) const {
    if (inside(x, y)) pen.plot(mRows.at(static_cast<int>(x), static_cast<int>(y)), coverage);
  }
  // Pixels [x0, x1) of row y, cut to the clip.
  void span(long long y, long long x0, long long x1, const Pen& pen) const {
    if (y < mClip.top || y >= mClip.bottom) return;
    x0 = std::max<long long>(x0, mClip.left);
    x1 = std::min<long long>(x1, mClip.right);
    for (long long x = x0; x < x1; ++x)
      pen.plot(mRows.at(static_cast<int>(x), static_cast<int>(y)));
  }
  // Rows from y0 to y1 inclusive, cut to the clip.
  long long firstRow(double y0) const {
    return std::max<long long>(static_cast<long long>(std::floor(Hold(y0))), mClip.top);
  }
  long long lastRow(double y1) const {
    return std::min<long long>(static_cast<long long>(std::ceil(Hold(y1))), mClip.bottom - 1);
  }
  long long firstColumn(double x0) const {
    return std::max<long long>(static_cast<long long>(std::floor(Hold(x0))), mClip.left);
  }
  long long lastColumn(double x1) const {
    return std::min<long long>(static_cast<long long>(std::ceil(Hold(x1))), mClip.right - 1);
  }

 private:
  Rows mRows;
  RECT mClip;
};

// The angle of (dx, dy) from straight up, clockwise, in [0, 2 pi).
double AngleOf(double dx, double dy) {
  const double a = std::atan2(dx, -dy);
  return a < 0 ? a + 2 * std::numbers::pi : a;
}

class AngleRange {
 public:
  AngleRange(double from, double to) : mFrom(from), mSweep(to - from) {}
  bool contains(double angle) const {
    if (std::isnan(mSweep) || mSweep < 0) return false;
    if (mSweep >= 2 * std::numbers::pi) return true;
    double offset = std::fmod(angle - mFrom, 2 * std::numbers::pi);
    if (offset < 0) offset += 2 * std::numbers::pi;
    return offset <= mSweep;
  }

 private:
  double mFrom;
  double mSweep;
};

// Pixels of a one-pixel ring of radius r, each visited once: per row where the ring is
// steep, per column where it is flat, each at the pixel nearest to the circle.
template <typename Visit>
void AliasedRing(const Target& target, long long cx, long long cy, long long r, Visit visit) {
  if (r <= 0) return visit(cx, cy);
  for (long long y = target.firstRow(static_cast<double>(cy - r));
       y <= target.lastRow(static_cast<double>(cy + r)); ++y) {
    const long long dy = y - cy;
    const long long dx =
        static_cast<long long>(std::floor(std::sqrt(static_cast<double>(r * r - dy * dy)) + 0.5));
    if (dx < std::llabs(dy)) continue;  // the flat part, done per column
    visit(cx + dx, y);
    if (dx != 0) visit(cx - dx, y);
  }
  for (long long x = target.firstColumn(static_cast<double>(cx - r));
       x <= target.lastColumn(static_cast<double>(cx + r)); ++x) {
    const long long dx = x - cx;
    const long long dy =
        static_cast<long long>(std::floor(std::sqrt(static_cast<double>(r * r - dx * dx)) + 0.5));
    if (dy <= std::llabs(dx)) continue;
    visit(x, cy + dy);
    visit(x, cy - dy);
  }
}

// Pixels within one pixel of the circle of radius r, with coverage 1 - |distance - r|.
template <typename Visit>
void SmoothRing(const Target& target, double cx, double cy, double r, Visit visit) {
  const double outer = r + 1;
  for (long long y = target.firstRow(cy - outer); y <= target.lastRow(cy + outer); ++y) {
    const double dy = static_cast<double>(y) - cy;
    const double outerSq = outer * outer - dy * dy;
    if (outerSq < 0) continue;
    const double reach = std::sqrt(outerSq);
    const double innerSq = (r - 1) * (r - 1) - dy * dy;
    const double hollow = r > 1 && innerSq > 0 ? std::sqrt(innerSq) : 0.0;
    const auto visitSide = [&](double from, double to) {
      for (long long x = target.firstColumn(from); x <= target.lastColumn(to); ++x) {
        const double dx = static_cast<double>(x) - cx;
        const double distance = std::sqrt(dx * dx + dy * dy);
        const int coverage = Pen::Coverage(1.0 - std::fabs(distance - r));
        if (coverage > 0) visit(x, y, coverage, dx, dy);
      }
    };
    if (hollow > 1) {
      visitSide(cx - reach, cx - hollow);
      visitSide(cx + hollow, cx + reach);
    } else {
      visitSide(cx - reach, cx + reach);
    }
  }
}

// Signed distance from (px, py) to a box with rounded corners; negative inside.
double RoundBoxDistance(double px, double py, double cx, double cy, double hx, double hy,
                        double r) {
  const double qx = std::fabs(px - cx) - (hx - r);
  const double qy = std::fabs(py - cy) - (hy - r);
  const double ox = std::max(qx, 0.0);
  const double oy = std::max(qy, 0.0);
  return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0) - r;
}

}  // namespace

Canvas::Canvas(Bitmap& target, const RECT* clip) : mTarget(target) {
  mClip = {0, 0, target.getWidth(), target.getHeight()};
  if (clip != nullptr) {
    mClip.left = std::max(mClip.left, clip->left);
    mClip.top = std::max(mClip.top, clip->top);
    mClip.right = std::min(mClip.right, clip->right);
    mClip.bottom = std::min(mClip.bottom, clip->bottom);
  }
}

void Canvas::putPixel(int x, int y, const Paint& paint) {
  const Target target(mTarget, mClip);
  const Pen pen(paint);
  if (!target.empty() && pen.draws()) target.plot(x, y, pen);
}

void Canvas::line(float x1, float y1, float x2, float y2, const Paint& paint, bool antialias) {
  const Target target(mTarget, mClip);
  const Pen pen(paint);
  if (target.empty() || !pen.draws()) return;
  double ax = Hold(x1), ay = Hold(y1), bx = Hold(x2), by = Hold(y2);
  const bool steep = std::fabs(by - ay) > std::fabs(bx - ax);
  // Walk the major axis as "u", the minor as "v".
  if (steep) {
    std::swap(ax, ay);
    std::swap(bx, by);
  }
  if (ax > bx) {
    std::swap(ax, bx);
    std::swap(ay, by);
  }
  const auto put = [&](long long u, long long v, int coverage) {
    if (steep) {
      target.plot(v, u, pen, coverage);
    } else {
      target.plot(u, v, pen, coverage);
    }
  };
  const long long uFirst = Nearest(ax);
  const long long uLast = Nearest(bx);
  // Only the part of the major axis inside the clip is walked.
  const long long clipFirst = steep ? mClip.top : mClip.left;
  const long long clipLast = (steep ? mClip.bottom : mClip.right) - 1;
  const long long from = std::max(uFirst, clipFirst);
  const long long to = std::min(uLast, clipLast);

  if (!antialias) {
    // The pixel nearest to the line in each column, in exact integer arithmetic.
    const long long va = Nearest(ay);
    const long long vb = Nearest(by);
    const long long du = uLast - uFirst;
    for (long long u = from; u <= to; ++u) {
      const long long v = du == 0 ? va : va + RoundDiv((u - uFirst) * (vb - va), du);
      put(u, v, 256);
    }
    return;
  }
  const double gradient = bx - ax > 0 ? (by - ay) / (bx - ax) : 0.0;
  for (long long u = from; u <= to; ++u) {
    const double v = ay + (static_cast<double>(u) - ax) * gradient;
    const double lower = std::floor(v);
    const double fraction = v - lower;
    const auto vi = static_cast<long long>(lower);
    put(u, vi, Pen::Coverage(1.0 - fraction));
    put(u, vi + 1, Pen::Coverage(fraction));
  }
}

void Canvas::arc(float cx, float cy, float r, float minAngle, float maxAngle, const Paint& paint,
                 bool antialias) {
  const Target target(mTarget, mClip);
  const Pen pen(paint);
  if (target.empty() || !pen.draws() || std::isnan(r) || r < 0) return;
  const AngleRange range(static_cast<double>(minAngle), static_cast<double>(maxAngle));
  if (antialias) {
    SmoothRing(target, Hold(cx), Hold(cy), Hold(r),
               [&](long long x, long long y, int coverage, double dx, double dy) {
                 if (range.contains(AngleOf(dx, dy))) target.plot(x, y, pen, coverage);
               });
    return;
  }
  const long long icx = Nearest(cx), icy = Nearest(cy);
  AliasedRing(target, icx, icy, Nearest(r), [&](long long x, long long y) {
    if (range.contains(AngleOf(static_cast<double>(x - icx), static_cast<double>(y - icy))))
      target.plot(x, y, pen);
  });
}

void Canvas::circle(float cx, float cy, float r, const Paint& paint, bool antialias) {
  const Target target(mTarget, mClip);
  const Pen pen(paint);
  if (target.empty() || !pen.draws() || std::isnan(r) || r < 0) return;
  if (antialias) {
    SmoothRing(target, Hold(cx), Hold(cy), Hold(r),
               [&](long long x, long long y, int coverage, double, double) {
                 target.plot(x, y, pen, coverage);
               });
    return;
  }
  AliasedRing(target, Nearest(cx), Nearest(cy), Nearest(r),
              [&](long long x, long long y) { target.plot(x, y, pen); });
}

void Canvas::fillCircle(float cx, float cy, float r, const Paint& paint, bool antialias) {
  const Target target(mTarget, mClip);
  const Pen pen(paint);
  if (target.empty() || !pen.draws() || std::isnan(r) || r < 0) return;
  const double x0 = Hold(cx), y0 = Hold(cy), radius = Hold(r);
  // Coverage of a pixel is r + 0.5 - distance: full inside r - 0.5, none beyond r + 0.5.
  const double reach = antialias ? radius + 0.5 : radius;
  for (long long y = target.firstRow(y0 - reach); y <= target.lastRow(y0 + reach); ++y) {
    const double dy = static_cast<double>(y) - y0;
    const double reachSq = reach * reach - dy * dy;
    if (reachSq < 0) continue;
    const double halfWidth = std::sqrt(reachSq);
    if (!antialias) {
      target.span(y, static_cast<long long>(std::ceil(x0 - halfWidth)),
                  static_cast<long long>(std::floor(x0 + halfWidth)) + 1, pen);
      continue;
    }
    const double solidSq = (radius - 0.5) * (radius - 0.5) - dy * dy;
    const double solid = radius > 0.5 && solidSq > 0 ? std::sqrt(solidSq) : -1.0;
    const long long solidFrom = solid >= 0 ? static_cast<long long>(std::ceil(x0 - solid)) : 0;
    const long long solidTo = solid >= 0 ? static_cast<long long>(std::floor(x0 + solid)) : -1;
    for (long long x = target.firstColumn(x0 - halfWidth); x <= target.lastColumn(x0 + halfWidth);
         ++x) {
      if (x >= solidFrom && x <= solidTo) {
        target.span(y, x, solidTo + 1, pen);
        x = solidTo;
        continue;
      }
      const double dx = static_cast<double>(x) - x0;
      target.plot(x, y, pen, Pen::Coverage(radius + 0.5 - std::sqrt(dx * dx + dy * dy)));
    }
  }
}

void Canvas::fillRect(int x, int y, int w, int h, const Paint& paint) {
  const Target target(mTarget, mClip);
  const Pen pen(paint);
  if (target.empty() || !pen.draws() || w <= 0 || h <= 0) return;
  const long long right = static_cast<long long>(x) + w;
  const long long bottom = static_cast<long long>(y) + h;
  for (long long row = std::max<long long>(y, mClip.top);
       row < std::min<long long>(bottom, mClip.bottom); ++row) {
    target.span(row, x, right, pen);
  }
}

namespace {

// Calls visit(x, y, distance) for the pixels of [x, x + w) x [y, y + h) within margin of
// the rounded box's outline or inside it.
template <typename Visit>
void RoundBox(const Target& target, int x, int y, int w, int h, int radius, Visit visit) {
  const double hx = (w - 1) * 0.5;
  const double hy = (h - 1) * 0.5;
  const double cx = x + hx;
  const double cy = y + hy;
  const double r = std::clamp(static_cast<double>(radius), 0.0, std::min(hx, hy));
  const long long right = static_cast<long long>(x) + w - 1;
  const long long bottom = static_cast<long long>(y) + h - 1;
  for (long long py = target.firstRow(y);
       py <= std::min(bottom, target.lastRow(static_cast<double>(bottom))); ++py) {
    for (long long px = target.firstColumn(x);
         px <= std::min(right, target.lastColumn(static_cast<double>(right))); ++px) {
      visit(px, py,
            RoundBoxDistance(static_cast<double>(px), static_cast<double>(py), cx, cy, hx, hy, r));
    }
  }
}

}  // namespace

void Canvas::roundRect(int x, int y, int w, int h, int radius, const Paint& paint, bool antialias) {
  const Target target(mTarget, mClip);
  const Pen pen(paint);
  if (target.empty() || !pen.draws() || w <= 0 || h <= 0) return;
  RoundBox(target, x, y, w, h, radius, [&](long long px, long long py, double distance) {
    if (antialias) {
      target.plot(px, py, pen, Pen::Coverage(1.0 - std::fabs(distance)));
    } else if (std::fabs(distance) < 0.5) {
      target.plot(px, py, pen);
    }
  });
}

void Canvas::fillRoundRect(int x, int y, int w, int h, int radius, const Paint& paint,
                           bool antialias) {
  const Target target(mTarget, mClip);
  const Pen pen(paint);
  if (target.empty() || !pen.draws() || w <= 0 || h <= 0) return;
  RoundBox(target, x, y, w, h, radius, [&](long long px, long long py, double distance) {
    if (antialias) {
      target.plot(px, py, pen, Pen::Coverage(0.5 - distance));
    } else if (distance <= 0) {
      target.plot(px, py, pen);
    }
  });
}

void Canvas::fillTriangle(int x1, int y1, int x2, int y2, int x3, int y3, const Paint& paint) {
  const int xs[] = {x1, x2, x3};
  const int ys[] = {y1, y2, y3};
  fillConvexPolygon(xs, ys, paint);
}

void Canvas::fillConvexPolygon(std::span<const int> xs, std::span<const int> ys,
                               const Paint& paint) {
  const Target target(mTarget, mClip);
  const Pen pen(paint);
  const std::size_t n = std::min(xs.size(), ys.size());
  if (target.empty() || !pen.draws() || n < 3) return;
  // Held coordinates keep the edge products below 2^50.
  const auto at = [](std::span<const int> values, std::size_t i) {
    return static_cast<long long>(Hold(values[i]));
  };
  const auto [low, high] =
      std::minmax_element(ys.begin(), ys.begin() + static_cast<std::ptrdiff_t>(n));
  const auto top = static_cast<long long>(Hold(*low));
  const auto bottom = static_cast<long long>(Hold(*high));
  for (long long y = std::max<long long>(top, mClip.top);
       y < std::min<long long>(bottom, mClip.bottom); ++y) {
    // Rows are sampled at pixel centres; each edge owns its upper end but not its lower one.
    long long left = 0;
    long long right = 0;
    bool found = false;
    for (std::size_t i = 0; i < n; ++i) {
      const std::size_t j = (i + 1) % n;
      long long ax = at(xs, i), ay = at(ys, i), bx = at(xs, j), by = at(ys, j);
      if (ay == by) continue;
      if (ay > by) {
        std::swap(ax, bx);
        std::swap(ay, by);
      }
      if (y < ay || y >= by) continue;
      // First pixel centre at or right of the crossing x = ax + (y - ay) (bx - ax) / (by - ay).
      const long long crossing = CeilDiv(ax * (by - ay) + (y - ay) * (bx - ax), by - ay);
      left = found ? std::min(left, crossing) : crossing;
      right = found ? std::max(right, crossing) : crossing;
      found = true;
    }
    if (found) target.span(y, left, right, pen);
  }
}

}  // namespace raster
