#include "raster/pixel_buffer.h"

#include <cstdint>
#include <new>

namespace raster {
namespace {

constexpr std::size_t kAlignment = 64;
// Beyond this a request is a corrupt size, not an image; refusing it early keeps
// allocators (and sanitizers) from being asked for terabytes.
constexpr std::size_t kMaxBytes = std::size_t{1} << 36;

}  // namespace

PixelBuffer PixelBuffer::Allocate(std::size_t bytes) {
  PixelBuffer buffer;
  if (bytes == 0 || bytes > kMaxBytes) return buffer;
  buffer.mStorage.reset(new (std::nothrow) std::byte[bytes + kAlignment - 1]);
  if (!buffer.mStorage) return buffer;
  const auto address = reinterpret_cast<std::uintptr_t>(buffer.mStorage.get());
  const std::size_t skip = (kAlignment - address % kAlignment) % kAlignment;
  buffer.mPixels = reinterpret_cast<Pixel*>(buffer.mStorage.get() + skip);
  buffer.mCapacity = bytes;
  return buffer;
}

std::size_t PixelBytes(int span, int h) {
  if (span <= 0 || h <= 0) return 0;
  const auto pixels = static_cast<unsigned long long>(span) * static_cast<unsigned long long>(h);
  if (pixels > kMaxBytes / sizeof(Pixel)) return 0;
  return static_cast<std::size_t>(pixels) * sizeof(Pixel);
}

}  // namespace raster
