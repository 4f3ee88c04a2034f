#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "raster/bitmap.h"
#include "raster/mem_bitmap.h"

namespace raster {

// A PNG image decoded only when its pixels are first asked for. Its size comes from the
// header, so layouts are made from it at no cost; the first use of the pixels (getBits,
// getRowSpan, resize, from any thread) decodes once, as LoadPNGFromMemory would, and later
// uses find the pixels. An image that then fails to decode has no pixels and size 0 x 0.
class DeferredPNG final : public Bitmap {
 public:
  // Null when the bytes do not begin as a PNG of a size the decoder takes. The bytes are
  // shared, not copied.
  static std::unique_ptr<DeferredPNG> Make(std::shared_ptr<const std::vector<std::uint8_t>> png);

  Pixel* getBits() override { return Pixels().getBits(); }
  int getWidth() const override;
  int getHeight() const override;
  int getRowSpan() const override { return Pixels().getRowSpan(); }
  bool resize(int w, int h) override { return Pixels().resize(w, h); }

  bool IsDecoded() const;

 private:
  DeferredPNG(std::shared_ptr<const std::vector<std::uint8_t>> png, int w, int h);
  MemBitmap& Pixels() const;

  std::shared_ptr<const std::vector<std::uint8_t>> mPng;
  int mWidth;
  int mHeight;
  mutable std::once_flag mDecodeOnce;
  mutable std::mutex mMutex;  // guards mDecoded for IsDecoded and the sizes
  mutable bool mDecoded = false;
  mutable std::unique_ptr<MemBitmap> mPixels;
};

}  // namespace raster
