#include "raster/sys_bitmap.h"

#include <algorithm>
#include <new>
#include <utility>

namespace raster {

namespace {

int RowSpanOf(int width) {
  return (width + 3) & ~3;
}

}  // namespace

DrawContext::DrawContext(int width, int height, int rowSpan, PixelBuffer buffer)
    : mWidth(width), mHeight(height), mRowSpan(rowSpan), mBuffer(std::move(buffer)) {}

std::unique_ptr<DrawContext> DrawContext::Create(int width, int height) {
  if (width <= 0 || height <= 0 || width > (1 << 30)) return nullptr;
  const int span = RowSpanOf(width);
  PixelBuffer buffer = PixelBuffer::Allocate(PixelBytes(span, height));
  if (buffer.empty()) return nullptr;
  return std::unique_ptr<DrawContext>(new (std::nothrow)
                                          DrawContext(width, height, span, std::move(buffer)));
}

SysBitmap::SysBitmap(int w, int h) {
  resize(w, h);
}

int SysBitmap::getRowSpan() const {
  if (mContext) return mContext->rowSpan();
  return mWidth > 0 ? RowSpanOf(mWidth) : 0;
}

DrawContext* SysBitmap::getDC() {
  if (!mContext && mWidth > 0 && mHeight > 0) {
    mContext = DrawContext::Create(mWidth, mHeight);
    if (!mContext) {
      mWidth = mHeight = 0;
      return nullptr;
    }
    std::fill_n(mContext->bits(), static_cast<std::size_t>(mContext->rowSpan()) * mHeight,
                Pixel{0});
  }
  return mContext.get();
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
  if (w <= 0 || h <= 0 || w > (1 << 30) || PixelBytes(RowSpanOf(w), h) == 0) {
    mWidth = mHeight = 0;
    return !wasEmpty;
  }
  mWidth = w;
  mHeight = h;
  return true;
}

}  // namespace raster
