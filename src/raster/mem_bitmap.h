#pragma once

#include <cstddef>

#include "raster/bitmap.h"
#include "raster/pixel_buffer.h"

namespace raster {

// A bitmap in ordinary memory, rows padded to the requested alignment (in pixels).
class MemBitmap final : public Bitmap {
 public:
  explicit MemBitmap(int w = 0, int h = 0, unsigned int linealign = 1);

  Pixel* getBits() override { return mWidth > 0 ? mBuffer.data() : nullptr; }
  int getWidth() const override { return mWidth; }
  int getHeight() const override { return mHeight; }
  int getRowSpan() const override { return mRowSpan; }
  bool resize(int w, int h) override;

  // Bytes reserved for pixels; kept when shrinking so that resizes do not reallocate.
  std::size_t capacity() const { return mBuffer.capacity(); }

 private:
  void clear();

  int mWidth = 0;
  int mHeight = 0;
  int mRowSpan = 0;
  int mAlignMask;  // row span is a multiple of mAlignMask + 1
  PixelBuffer mBuffer;
};

}  // namespace raster
