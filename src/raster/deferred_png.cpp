#include "raster/deferred_png.h"

#include <new>
#include <utility>

#include "raster/png.h"

namespace raster {

std::unique_ptr<DeferredPNG> DeferredPNG::Make(std::span<const std::uint8_t> png,
                                               std::shared_ptr<const void> owner) {
  int w = 0;
  int h = 0;
  if (!ReadPNGSize(png, &w, &h)) return nullptr;
  return std::unique_ptr<DeferredPNG>(new (std::nothrow) DeferredPNG(png, std::move(owner), w, h));
}

std::unique_ptr<DeferredPNG> DeferredPNG::Make(
    std::shared_ptr<const std::vector<std::uint8_t>> png) {
  if (!png) return nullptr;
  const std::span<const std::uint8_t> bytes(*png);
  return Make(bytes, std::move(png));
}

DeferredPNG::DeferredPNG(std::span<const std::uint8_t> png, std::shared_ptr<const void> owner,
                         int w, int h)
    : mPng(png), mOwner(std::move(owner)), mWidth(w), mHeight(h) {}

MemBitmap& DeferredPNG::Pixels() const {
  std::call_once(mDecodeOnce, [this] {
    std::unique_ptr<MemBitmap> pixels = LoadPNGFromMemory(mPng);
    // A failure leaves no pixels: the image then draws nothing.
    if (!pixels) pixels = std::make_unique<MemBitmap>();
    std::lock_guard lock(mMutex);
    mPixels = std::move(pixels);
    mDecoded = true;
  });
  return *mPixels;
}

bool DeferredPNG::IsDecoded() const {
  std::lock_guard lock(mMutex);
  return mDecoded;
}

int DeferredPNG::getWidth() const {
  std::lock_guard lock(mMutex);
  return mDecoded ? mPixels->getWidth() : mWidth;
}

int DeferredPNG::getHeight() const {
  std::lock_guard lock(mMutex);
  return mDecoded ? mPixels->getHeight() : mHeight;
}

}  // namespace raster
