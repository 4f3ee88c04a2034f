#include "raster/blit.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <limits>

#include "raster/blend_rows.h"
#include "raster/mem_bitmap.h"
#include "raster/rows.h"

namespace raster {
namespace {

struct Area {
  int srcX;
  int srcY;
  int dstX;
  int dstY;
  int width;
  int height;
};

// Clips the source area against both bitmaps; false when nothing remains. 64-bit
// arithmetic keeps extreme coordinates from overflowing.
bool ClipArea(const Rows& dst, const Rows& src, long long dstx, long long dsty, const RECT* srcrect,
              Area& area) {
  long long left = 0;
  long long top = 0;
  long long right = src.width();
  long long bottom = src.height();
  if (srcrect != nullptr) {
    left = srcrect->left;
    top = srcrect->top;
    right = std::min<long long>(srcrect->right, src.width());
    bottom = std::min<long long>(srcrect->bottom, src.height());
    if (left < 0) {
      dstx -= left;
      left = 0;
    }
    if (top < 0) {
      dsty -= top;
      top = 0;
    }
  }
  const long long dx = std::max(dstx, 0LL);
  const long long dy = std::max(dsty, 0LL);
  if (dstx < 0) left -= dstx;
  if (dsty < 0) top -= dsty;
  right = std::min(right, left + (dst.width() - dx));
  bottom = std::min(bottom, top + (dst.height() - dy));
  if (dx >= dst.width() || dy >= dst.height() || right - left <= 0 || bottom - top <= 0) {
    return false;
  }
  area = {static_cast<int>(left), static_cast<int>(top),          static_cast<int>(dx),
          static_cast<int>(dy),   static_cast<int>(right - left), static_cast<int>(bottom - top)};
  return true;
}

void ChannelCopy(const Rows& dst, const Rows& src, const Area& a, int mode) {
  const int from = mode & 3;
  const int to = (mode >> 2) & 3;
  const int fromShift = 8 * from;
  const int toShift = 8 * to;
  const Pixel keep = ~(Pixel{0xFF} << toShift);
  for (int y = 0; y < a.height; ++y) {
    const auto d = dst.row(a.dstY + y, a.dstX, a.width);
    const auto s = src.row(a.srcY + y, a.srcX, a.width);
    for (int x = 0; x < a.width; ++x) {
      d[x] = (d[x] & keep) | (((s[x] >> fromShift) & 0xFFu) << toShift);
    }
  }
}

void BlitArea(const Rows& dst, const Rows& src, const Area& a, float alpha, int mode) {
  if (IsChannelCopy(mode)) return ChannelCopy(dst, src, a, mode);

  const auto eachRow = [&](auto&& combineRow) {
    for (int y = 0; y < a.height; ++y) {
      combineRow(dst.row(a.dstY + y, a.dstX, a.width), src.row(a.srcY + y, a.srcX, a.width));
    }
  };
  if ((mode & kModeOperatorMask) == kModeCopy && alpha == 1.0f) {
    return eachRow([](std::span<Pixel> d, std::span<const Pixel> s) {
      std::memcpy(d.data(), s.data(), d.size_bytes());
    });
  }
  if ((mode & kModeOperatorMask) == kModeCopy && alpha == 0.5f) {
    return eachRow(blend::AverageRow);
  }
  const auto weight = blend::WeightOf(alpha);
  if (!weight) return;
  const blend::Op op = blend::SelectOp(mode, *weight);
  if (op == blend::Op::kNone) return;
  eachRow([op, w = *weight](std::span<Pixel> d, std::span<const Pixel> s) {
    blend::BlendRow(op, d, s, w);
  });
}

bool SharesMemory(const Rows& a, const Rows& b) {
  // std::less orders pointers into different allocations too.
  const std::less<const Pixel*> before;
  return before(a.lowest(), b.highest()) && before(b.lowest(), a.highest());
}

}  // namespace

void Blit(Bitmap* dest, Bitmap* src, int dstx, int dsty, const RECT* srcrect, float alpha,
          int mode) {
  if (dest == nullptr || src == nullptr || alpha == 0.0f) return;
  const Rows dst(*dest);
  const Rows source(*src);
  if (dst.empty() || source.empty()) return;
  Area area{};
  if (!ClipArea(dst, source, dstx, dsty, srcrect, area)) return;

  if (!SharesMemory(dst, source)) return BlitArea(dst, source, area, alpha, mode);

  // Blitting a bitmap onto itself: take the source area aside first so that no row is
  // read after it has been written.
  MemBitmap aside(area.width, area.height);
  const Rows copy(aside);
  if (copy.empty()) return;
  for (int y = 0; y < area.height; ++y) {
    const auto from = source.row(area.srcY + y, area.srcX, area.width);
    std::memcpy(copy.row(y).data(), from.data(), from.size_bytes());
  }
  BlitArea(dst, copy, {0, 0, area.dstX, area.dstY, area.width, area.height}, alpha, mode);
}

void Blit(Bitmap* dest, Bitmap* src, int dstx, int dsty, int srcx, int srcy, int srcw, int srch,
          float alpha, int mode) {
  constexpr long long kIntMax = std::numeric_limits<int>::max();
  constexpr long long kIntMin = std::numeric_limits<int>::min();
  const RECT area{
      srcx, srcy,
      static_cast<int>(std::clamp(static_cast<long long>(srcx) + srcw, kIntMin, kIntMax)),
      static_cast<int>(std::clamp(static_cast<long long>(srcy) + srch, kIntMin, kIntMax))};
  Blit(dest, src, dstx, dsty, &area, alpha, mode);
}

void Copy(Bitmap* dest, Bitmap* src) {
  if (dest == nullptr || src == nullptr) return;
  dest->resize(src->getWidth(), src->getHeight());
  Blit(dest, src, 0, 0, nullptr, 1.0f, kModeCopy);
}

}  // namespace raster
