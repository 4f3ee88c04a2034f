#pragma once

#include <cstddef>
#include <memory>

#include "raster/bitmap.h"

namespace raster {

// Pixel storage starting on a 64-byte boundary of an allocation 63 bytes larger than asked.
class PixelBuffer {
 public:
  PixelBuffer() = default;

  // An empty buffer when bytes is 0 or the memory cannot be had.
  static PixelBuffer Allocate(std::size_t bytes);

  Pixel* data() const { return mPixels; }
  std::size_t capacity() const { return mCapacity; }
  bool empty() const { return mPixels == nullptr; }

 private:
  std::unique_ptr<std::byte[]> mStorage;
  Pixel* mPixels = nullptr;
  std::size_t mCapacity = 0;
};

// Bytes for a span x h bitmap, or 0 when the product is absurd for this process.
std::size_t PixelBytes(int span, int h);

}  // namespace raster
