#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "raster/bitmap.h"

namespace raster::test {

// Rows stored bottom-up, as some platform bitmaps keep them.
class FlippedBitmap final : public Bitmap {
 public:
  FlippedBitmap(int w, int h) { resize(w, h); }
  Pixel* getBits() override { return mPixels.empty() ? nullptr : mPixels.data(); }
  int getWidth() const override { return mWidth; }
  int getHeight() const override { return mHeight; }
  int getRowSpan() const override { return mWidth + 3; }
  bool isFlipped() const override { return true; }
  bool resize(int w, int h) override {
    if (w == mWidth && h == mHeight) return false;
    mWidth = w;
    mHeight = h;
    mPixels.assign(static_cast<std::size_t>((w + 3) * h), 0);
    return true;
  }

 private:
  int mWidth = 0;
  int mHeight = 0;
  std::vector<Pixel> mPixels;
};

// Pixel (x, y) in top-down coordinates, whichever way the rows are stored.
inline Pixel& At(Bitmap& bmp, int x, int y) {
  const int row = bmp.isFlipped() ? bmp.getHeight() - 1 - y : y;
  return bmp.getBits()[row * bmp.getRowSpan() + x];
}

// Channels biased toward 0 and 255, where the arithmetic has its edges.
inline Pixel RandomPixel(std::mt19937& rng) {
  Pixel p = 0;
  for (int c = 0; c < 4; ++c) {
    const unsigned roll = rng() % 8;
    const unsigned value = roll == 0 ? 0u : roll == 1 ? 255u : rng() % 256;
    p |= value << (8 * c);
  }
  return p;
}

inline void FillRandom(Bitmap& bmp, std::mt19937& rng) {
  for (int y = 0; y < bmp.getHeight(); ++y) {
    for (int x = 0; x < bmp.getWidth(); ++x)
      At(bmp, x, y) = RandomPixel(rng);
  }
}

inline void Fill(Bitmap& bmp, Pixel value) {
  for (int y = 0; y < bmp.getHeight(); ++y) {
    for (int x = 0; x < bmp.getWidth(); ++x)
      At(bmp, x, y) = value;
  }
}

}  // namespace raster::test
