#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
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
  // shared, not copied: `owner` keeps them alive (null for bytes that outlive the image,
  // such as a library's own).
  static std::unique_ptr<DeferredPNG> Make(std::span<const std::uint8_t> png,
                                           std::shared_ptr<const void> owner);
  static std::unique_ptr<DeferredPNG> Make(std::shared_ptr<const std::vector<std::uint8_t>> png);

  Pixel* getBits() override { return Pixels().getBits(); }
  int getWidth() const override;
  int getHeight() const override;
  int getRowSpan() const override { return Pixels().getRowSpan(); }
  bool resize(int w, int h) override { return Pixels().resize(w, h); }

  bool IsDecoded() const;

 private:
  DeferredPNG(std::span<const std::uint8_t> png, std::shared_ptr<const void> owner, int w, int h);
  MemBitmap& Pixels() const;

  std::span<const std::uint8_t> mPng;
  std::shared_ptr<const void> mOwner;
  int mWidth;
  int mHeight;
  mutable std::once_flag mDecodeOnce;
  mutable std::mutex mMutex;  // guards mDecoded for IsDecoded and the sizes
  mutable bool mDecoded = false;
  mutable std::unique_ptr<MemBitmap> mPixels;
};

}  // namespace raster
