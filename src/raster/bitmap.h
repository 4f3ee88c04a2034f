#pragma once

#include <cstdint>

namespace raster {

// One pixel: blue in bits 0-7, green 8-15, red 16-23, straight alpha 24-31.
using Pixel = std::uint32_t;

struct RECT {
  int left;
  int top;
  int right;
  int bottom;
};

class DrawContext;

// A 32-bit pixel surface. The virtual operations keep this order: other code relies on
// the layout of the table.
class Bitmap {
 public:
  Bitmap() = default;
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;
  virtual ~Bitmap() = default;

  // First pixel of the first stored row; null when the bitmap has no pixels.
  virtual Pixel* getBits() = 0;
  virtual int getWidth() const = 0;
  virtual int getHeight() const = 0;
  // Distance between stored rows, in pixels.
  virtual int getRowSpan() const = 0;
  // True when rows are stored bottom-up.
  virtual bool isFlipped() const { return false; }
  // True when the size changed.
  virtual bool resize(int w, int h) = 0;
  virtual DrawContext* getDC() { return nullptr; }
  virtual std::intptr_t Extended(int /*id*/, void* /*data*/) { return 0; }

  const Pixel* getBitsConst() const { return const_cast<Bitmap*>(this)->getBits(); }
};

}  // namespace raster
