#pragma once

#include <algorithm>

#include "raster/blend_ops.h"
#include "raster/canvas.h"

namespace raster {

// Applies a Paint to single pixels, with a coverage of 0..256 for anti-aliased edges.
class Pen {
 public:
  explicit Pen(const Paint& paint)
      : mColor(paint.color), mMode(paint.mode), mWeight(blend::WeightOf(paint.alpha).value_or(0)) {
    mFullOp = blend::SelectOp(mMode, mWeight);
  }

  // False when nothing this pen draws could change a pixel.
  bool draws() const { return IsChannelCopy(mMode) || mFullOp != blend::Op::kNone; }

  void plot(Pixel& d) const {
    if (IsChannelCopy(mMode)) {
      const int from = 8 * (mMode & 3);
      const int to = 8 * ((mMode >> 2) & 3);
      d = (d & ~(Pixel{0xFF} << to)) | (((mColor >> from) & 0xFFu) << to);
      return;
    }
    d = blend::Combine(mFullOp, d, mColor, mWeight);
  }

  void plot(Pixel& d, int coverage) const {
    if (coverage >= 256) return plot(d);
    if (coverage <= 0) return;
    if (IsChannelCopy(mMode)) {
      if (coverage >= 128) plot(d);
      return;
    }
    const int w = mWeight * coverage / 256;
    d = blend::Combine(blend::SelectOp(mMode, w), d, mColor, w);
  }

  // Coverage 0..1 as 0..256.
  static int Coverage(double fraction) {
    return static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 256.0 + 0.5);
  }

 private:
  Pixel mColor;
  int mMode;
  int mWeight;
  blend::Op mFullOp;
};

}  // namespace raster
