#pragma once

#include "raster/bitmap.h"

namespace raster {

// A bitmap over pixel memory someone else owns and keeps for its life (a
// window system's shared image): drawing goes straight where it is shown.
class ExternalBitmap final : public Bitmap {
 public:
  ExternalBitmap(Pixel* bits, int width, int height, int rowSpan)
      : mBits(bits), mWidth(width), mHeight(height), mRowSpan(rowSpan) {}

  Pixel* getBits() override { return mBits; }
  int getWidth() const override { return mWidth; }
  int getHeight() const override { return mHeight; }
  int getRowSpan() const override { return mRowSpan; }
  // Its size is its memory's.
  bool resize(int /*w*/, int /*h*/) override { return false; }

 private:
  Pixel* mBits;
  int mWidth;
  int mHeight;
  int mRowSpan;
};

}  // namespace raster
