#include "raster/sys_bitmap.h"

#include <new>
#include <utility>

namespace raster {

DrawContext::DrawContext(int width, int height, int rowSpan, PixelBuffer buffer)
    : mWidth(width), mHeight(height), mRowSpan(rowSpan), mBuffer(std::move(buffer)) {}

std::unique_ptr<DrawContext> DrawContext::Create(int width, int height) {
  if (width <= 0 || height <= 0 || width > (1 << 30)) return nullptr;
  const int span = (width + 3) & ~3;
  PixelBuffer buffer = PixelBuffer::Allocate(PixelBytes(span, height));
  if (buffer.empty()) return nullptr;
  return std::unique_ptr<DrawContext>(new (std::nothrow)
                                          DrawContext(width, height, span, std::move(buffer)));
}

SysBitmap::SysBitmap(int w, int h) {
  resize(w, h);
}

bool SysBitmap::resize(int w, int h) {
  if (w == mWidth && h == mHeight) return false;
  const bool wasEmpty = mWidth == 0 && mHeight == 0;
  if (w > 0 && h > 0 && mContext && w <= mContext->width() && h <= mContext->height()) {
    mWidth = w;
    mHeight = h;
    return true;
  }
  mContext.reset();
  if (w > 0 && h > 0) mContext = DrawContext::Create(w, h);
  if (!mContext) {
    mWidth = mHeight = 0;
    return !wasEmpty;
  }
  mWidth = w;
  mHeight = h;
  return true;
}

}  // namespace raster
