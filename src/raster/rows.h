#pragma once

#include <cstddef>
#include <span>

#include "raster/bitmap.h"

namespace raster {

// Addresses a bitmap's rows top to bottom, whichever way they are stored.
class Rows {
 public:
  explicit Rows(Bitmap& bitmap) : mWidth(bitmap.getWidth()), mHeight(bitmap.getHeight()) {
    Pixel* const bits = bitmap.getBits();
    const auto span = static_cast<std::ptrdiff_t>(bitmap.getRowSpan());
    if (bits == nullptr || mWidth <= 0 || mHeight <= 0 || span < mWidth) {
      mWidth = mHeight = 0;
      return;
    }
    mStep = bitmap.isFlipped() ? -span : span;
    mFirst = bitmap.isFlipped() ? bits + span * (mHeight - 1) : bits;
  }

  bool empty() const { return mFirst == nullptr; }
  int width() const { return mWidth; }
  int height() const { return mHeight; }

  // Row y from column x, n pixels; the caller keeps the range inside the bitmap.
  std::span<Pixel> row(int y, int x, int n) const {
    return {mFirst + mStep * y + x, static_cast<std::size_t>(n)};
  }
  std::span<Pixel> row(int y) const { return row(y, 0, mWidth); }
  Pixel& at(int x, int y) const { return mFirst[mStep * y + x]; }

  // First and one-past-last address of the stored pixels.
  const Pixel* lowest() const { return mStep < 0 ? mFirst + mStep * (mHeight - 1) : mFirst; }
  const Pixel* highest() const { return lowest() + (mStep < 0 ? -mStep : mStep) * mHeight; }

 private:
  int mWidth;
  int mHeight;
  Pixel* mFirst = nullptr;
  std::ptrdiff_t mStep = 0;
};

}  // namespace raster
