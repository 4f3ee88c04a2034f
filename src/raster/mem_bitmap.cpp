#include "raster/mem_bitmap.h"

#include <algorithm>
#include <bit>
#include <limits>

namespace raster {
namespace {

// Rows align to the lowest set bit of linealign, at most 16 pixels (64 bytes, the storage
// alignment); a wider request would otherwise give spans that are multiples of nothing.
int AlignMaskFor(unsigned int linealign) {
  if (linealign < 2) return 0;
  const int lowestBit = std::countr_zero(linealign);
  return (1 << std::min(lowestBit, 4)) - 1;
}

}  // namespace

MemBitmap::MemBitmap(int w, int h, unsigned int linealign) : mAlignMask(AlignMaskFor(linealign)) {
  resize(w, h);
}

void MemBitmap::clear() {
  mBuffer = PixelBuffer();
  mWidth = mHeight = mRowSpan = 0;
}

bool MemBitmap::resize(int w, int h) {
  if (w == mWidth && h == mHeight) return false;
  const bool wasEmpty = mWidth == 0 && mHeight == 0;
  if (w <= 0 || h <= 0 || w > std::numeric_limits<int>::max() - mAlignMask) {
    clear();
    return !wasEmpty;
  }
  const int span = (w + mAlignMask) & ~mAlignMask;
  const std::size_t needed = PixelBytes(span, h);
  if (needed == 0) {
    clear();
    return !wasEmpty;
  }
  if (needed > mBuffer.capacity()) {
    const std::size_t reserve = mBuffer.empty() ? needed : needed + needed / 4;
    mBuffer = PixelBuffer();  // release first: the old pixels are not kept anyway
    mBuffer = PixelBuffer::Allocate(reserve);
    if (mBuffer.empty()) mBuffer = PixelBuffer::Allocate(needed);
    if (mBuffer.empty()) {
      clear();
      return !wasEmpty;
    }
  }
  mWidth = w;
  mHeight = h;
  mRowSpan = span;
  return true;
}

}  // namespace raster
