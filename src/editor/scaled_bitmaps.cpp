#include "editor/scaled_bitmaps.h"

#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include "raster/mem_bitmap.h"
#include "raster/resample.h"
#include "raster/transform_blit.h"

namespace {

struct ScaledCache {
  std::mutex mMutex;
  // By source and scale, in thousandths.
  std::map<std::pair<const raster::Bitmap*, int>, std::unique_ptr<raster::MemBitmap>> mScaled;
};

ScaledCache& Cache() {
  static ScaledCache cache;
  return cache;
}

std::unique_ptr<raster::MemBitmap> MakeScaled(const IBitmap& bitmap, double scale) {
  // A double-resolution image that is not exactly that is not used.
  const bool fromDouble = bitmap.mData2x && scale > 1. &&
                          bitmap.mData2x->getWidth() == 2 * bitmap.W &&
                          bitmap.mData2x->getHeight() == 2 * bitmap.H;
  raster::Bitmap& source = fromDouble ? *bitmap.mData2x : *bitmap.mData;
  const int sourceScale = fromDouble ? 2 : 1;
  const int fw = bitmap.FrameWidth();
  const int fh = bitmap.FrameHeight();
  const int sw = ScaledSide(fw, scale);
  const int sh = ScaledSide(fh, scale);
  const bool across = bitmap.mFramesHorizontal;
  auto scaled =
      std::make_unique<raster::MemBitmap>(across ? sw * bitmap.N : sw, across ? sh : sh * bitmap.N);
  const bool enlarge = scale > sourceScale;
  for (int f = 0; f < bitmap.N; ++f) {
    const int sx = across ? f * fw * sourceScale : 0;
    const int sy = across ? 0 : f * fh * sourceScale;
    const int dx = across ? f * sw : 0;
    const int dy = across ? 0 : f * sh;
    const raster::RECT from{sx, sy, sx + fw * sourceScale, sy + fh * sourceScale};
    if (enlarge) {
      // Only where no larger image exists.
      raster::ScaleBlit(scaled.get(), &source, raster::RECT{dx, dy, dx + sw, dy + sh}, &from, 1.0f,
                        raster::kModeBilinear);
    } else {
      raster::ResampleArea(*scaled, dx, dy, sw, sh, source, from);
    }
  }
  return scaled;
}

}  // namespace

int ScaledSide(int side, double scale) {
  return static_cast<int>(std::lround(side * scale));
}

raster::Bitmap* ScaledPixels(const IBitmap& bitmap, double scale) {
  if (!bitmap.IsValid()) return nullptr;
  if (scale == 1.) return bitmap.mData;
  if (scale == 2. && bitmap.mData2x && bitmap.mData2x->getWidth() == 2 * bitmap.W &&
      bitmap.mData2x->getHeight() == 2 * bitmap.H)
    return bitmap.mData2x;
  ScaledCache& cache = Cache();
  const auto key = std::make_pair(static_cast<const raster::Bitmap*>(bitmap.mData),
                                  static_cast<int>(std::lround(scale * 1000.)));
  std::lock_guard lock(cache.mMutex);
  auto& entry = cache.mScaled[key];
  if (!entry) entry = MakeScaled(bitmap, scale);
  return entry.get();
}
