#pragma once

#include <memory>

#include "raster/bitmap.h"
#include "raster/pixel_buffer.h"

namespace raster {

// The pixel memory a platform binding presents on screen: rows padded to a multiple of
// four pixels.
class DrawContext {
 public:
  // Null when the memory cannot be had or the size is not positive.
  static std::unique_ptr<DrawContext> Create(int width, int height);

  int width() const { return mWidth; }
  int height() const { return mHeight; }
  int rowSpan() const { return mRowSpan; }
  Pixel* bits() const { return mBuffer.data(); }

 private:
  DrawContext(int width, int height, int rowSpan, PixelBuffer buffer);

  int mWidth;
  int mHeight;
  int mRowSpan;
  PixelBuffer mBuffer;
};

// A bitmap living in a DrawContext. Shrinking, and growing back within the context's size,
// only changes the reported size. The context is made when its pixels are first asked for,
// cleared to 0: a surface that is never drawn costs no pixel memory.
class SysBitmap final : public Bitmap {
 public:
  explicit SysBitmap(int w = 0, int h = 0);

  Pixel* getBits() override {
    DrawContext* context = getDC();
    return context ? context->bits() : nullptr;
  }
  int getWidth() const override { return mWidth; }
  int getHeight() const override { return mHeight; }
  int getRowSpan() const override;
  bool resize(int w, int h) override;
  DrawContext* getDC() override;

 private:
  int mWidth = 0;
  int mHeight = 0;
  std::unique_ptr<DrawContext> mContext;
};

}  // namespace raster
