#include "raster/transform_blit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "raster/blend_ops.h"
#include "raster/rows.h"

namespace raster {
namespace {

// Source position (u, v) of the destination pixel centre (x + 0.5, y + 0.5):
// u = u0 + ux * x' + uy * y', v = v0 + vx * x' + vy * y'.
struct Affine {
  double u0, ux, uy;
  double v0, vx, vy;
};

enum class Edge { kClamp, kTransparent };

// The pixels a transform visits and how it samples and combines them.
struct Job {
  RECT region;  // destination pixels to visit
  RECT source;  // source pixels that may be read
  Affine map;
  Edge edge;
  bool bilinear;
  int mode;
  int weight;
};

// Straight-alpha bilinear: colours are weighted by their alpha so that clear pixels do not
// bleed their colour into the result.
Pixel Bilinear(const std::array<Pixel, 4>& p, int fx, int fy) {
  const std::array<std::uint32_t, 4> w = {static_cast<std::uint32_t>((256 - fx) * (256 - fy)),
                                          static_cast<std::uint32_t>(fx * (256 - fy)),
                                          static_cast<std::uint32_t>((256 - fx) * fy),
                                          static_cast<std::uint32_t>(fx * fy)};
  std::uint64_t alphaSum = 0;
  std::array<std::uint64_t, 3> colorSum = {0, 0, 0};
  for (std::size_t k = 0; k < 4; ++k) {
    const std::uint64_t aw = static_cast<std::uint64_t>(w[k]) * (p[k] >> 24);
    alphaSum += aw;
    for (std::size_t c = 0; c < 3; ++c)
      colorSum[c] += aw * ((p[k] >> (8 * c)) & 0xFF);
  }
  if (alphaSum == 0) {
    // Wholly clear: plain interpolation keeps the colour for modes that ignore alpha.
    Pixel clear = 0;
    for (std::size_t c = 0; c < 3; ++c) {
      std::uint64_t sum = 0;
      for (std::size_t k = 0; k < 4; ++k)
        sum += static_cast<std::uint64_t>(w[k]) * ((p[k] >> (8 * c)) & 0xFF);
      clear |= static_cast<Pixel>((sum + 32768) >> 16) << (8 * c);
    }
    return clear;
  }
  Pixel out = static_cast<Pixel>((alphaSum + 32768) >> 16) << 24;
  for (std::size_t c = 0; c < 3; ++c) {
    out |= static_cast<Pixel>((colorSum[c] + alphaSum / 2) / alphaSum) << (8 * c);
  }
  return out;
}

class Sampler {
 public:
  Sampler(const Rows& rows, const RECT& area, Edge edge) : mRows(rows), mArea(area), mEdge(edge) {}

  // False when the position lies wholly outside the readable area.
  bool nearest(double u, double v, Pixel& out) const {
    long long i = static_cast<long long>(std::floor(u));
    long long j = static_cast<long long>(std::floor(v));
    if (mEdge == Edge::kClamp) {
      i = std::clamp<long long>(i, mArea.left, mArea.right - 1);
      j = std::clamp<long long>(j, mArea.top, mArea.bottom - 1);
    } else if (!inside(i, j)) {
      return false;
    }
    out = mRows.at(static_cast<int>(i), static_cast<int>(j));
    return true;
  }

  bool bilinear(double u, double v, Pixel& out) const {
    const double x = u - 0.5;
    const double y = v - 0.5;
    const double fx = std::floor(x);
    const double fy = std::floor(y);
    const auto i = static_cast<long long>(fx);
    const auto j = static_cast<long long>(fy);
    const int wx = std::min(static_cast<int>((x - fx) * 256.0 + 0.5), 256);
    const int wy = std::min(static_cast<int>((y - fy) * 256.0 + 0.5), 256);
    std::array<Pixel, 4> p{};
    bool any = false;
    for (int k = 0; k < 4; ++k) {
      long long pi = i + (k & 1);
      long long pj = j + (k >> 1);
      if (mEdge == Edge::kClamp) {
        pi = std::clamp<long long>(pi, mArea.left, mArea.right - 1);
        pj = std::clamp<long long>(pj, mArea.top, mArea.bottom - 1);
      } else if (!inside(pi, pj)) {
        continue;
      }
      p[static_cast<std::size_t>(k)] = mRows.at(static_cast<int>(pi), static_cast<int>(pj));
      any = true;
    }
    if (!any) return false;
    out = Bilinear(p, wx, wy);
    return true;
  }

 private:
  bool inside(long long i, long long j) const {
    return i >= mArea.left && i < mArea.right && j >= mArea.top && j < mArea.bottom;
  }

  const Rows& mRows;
  RECT mArea;
  Edge mEdge;
};

void Run(Bitmap& dest, Bitmap& src, const Job& job) {
  const Rows dst(dest);
  const Rows from(src);
  if (dst.empty() || from.empty()) return;
  if (job.source.right <= job.source.left || job.source.bottom <= job.source.top) return;
  const Sampler sampler(from, job.source, job.edge);
  const bool channelCopy = IsChannelCopy(job.mode);
  const blend::Op fullOp = blend::SelectOp(job.mode, job.weight);
  if (!channelCopy && fullOp == blend::Op::kNone) return;
  const int toShift = 8 * ((job.mode >> 2) & 3);
  const int fromShift = 8 * (job.mode & 3);

  for (int y = job.region.top; y < job.region.bottom; ++y) {
    const double yc = y + 0.5;
    for (int x = job.region.left; x < job.region.right; ++x) {
      const double xc = x + 0.5;
      const double u = job.map.u0 + job.map.ux * xc + job.map.uy * yc;
      const double v = job.map.v0 + job.map.vx * xc + job.map.vy * yc;
      Pixel sample = 0;
      if (!(job.bilinear ? sampler.bilinear(u, v, sample) : sampler.nearest(u, v, sample)))
        continue;
      Pixel& d = dst.at(x, y);
      if (channelCopy) {
        d = (d & ~(Pixel{0xFF} << toShift)) | (((sample >> fromShift) & 0xFFu) << toShift);
      } else {
        d = blend::Combine(fullOp, d, sample, job.weight);
      }
    }
  }
}

// region cut to the destination bitmap and the clip.
RECT Cut(const RECT& region, const Bitmap& dest, const RECT* clip) {
  RECT out{std::max(region.left, 0), std::max(region.top, 0),
           std::min(region.right, dest.getWidth()), std::min(region.bottom, dest.getHeight())};
  if (clip != nullptr) {
    out.left = std::max(out.left, clip->left);
    out.top = std::max(out.top, clip->top);
    out.right = std::min(out.right, clip->right);
    out.bottom = std::min(out.bottom, clip->bottom);
  }
  return out;
}

bool UsableArea(const RECT& r) {
  constexpr long long kLimit = 1 << 24;
  return r.right > r.left && r.bottom > r.top && std::llabs(r.left) < kLimit &&
         std::llabs(r.right) < kLimit && std::llabs(r.top) < kLimit &&
         std::llabs(r.bottom) < kLimit;
}

}  // namespace

void ScaleBlit(Bitmap* dest, Bitmap* src, const RECT& destArea, const RECT* srcArea, float alpha,
               int mode, const RECT* clip) {
  if (dest == nullptr || src == nullptr || !UsableArea(destArea)) return;
  const auto weight = blend::WeightOf(alpha);
  if (!weight || *weight == 0) return;
  RECT source{0, 0, src->getWidth(), src->getHeight()};
  if (srcArea != nullptr) {
    source = {std::max(srcArea->left, 0), std::max(srcArea->top, 0),
              std::min(srcArea->right, source.right), std::min(srcArea->bottom, source.bottom)};
  }
  if (!UsableArea(source)) return;
  const double sx =
      static_cast<double>(source.right - source.left) / (destArea.right - destArea.left);
  const double sy =
      static_cast<double>(source.bottom - source.top) / (destArea.bottom - destArea.top);
  const Job job{
      Cut(destArea, *dest, clip),
      source,
      {source.left - destArea.left * sx, sx, 0.0, source.top - destArea.top * sy, 0.0, sy},
      Edge::kClamp,
      (mode & kModeBilinear) != 0,
      mode,
      *weight};
  Run(*dest, *src, job);
}

void RotateBlit(Bitmap* dest, Bitmap* src, const RECT& destArea, const Rotation& rotation,
                float alpha, int mode, const RECT* clip) {
  if (dest == nullptr || src == nullptr || !UsableArea(destArea)) return;
  if (!std::isfinite(rotation.angle) || !std::isfinite(rotation.pivotX) ||
      !std::isfinite(rotation.pivotY)) {
    return;
  }
  const auto weight = blend::WeightOf(alpha);
  if (!weight || *weight == 0) return;
  const RECT source{0, 0, src->getWidth(), src->getHeight()};
  if (!UsableArea(source)) return;

  const double areaW = destArea.right - destArea.left;
  const double areaH = destArea.bottom - destArea.top;
  const double sx = source.right / areaW;
  const double sy = source.bottom / areaH;
  const double px = destArea.left + areaW * 0.5 + rotation.pivotX;
  const double py = destArea.top + areaH * 0.5 + rotation.pivotY;
  const double c = std::cos(rotation.angle);
  const double s = std::sin(rotation.angle);
  // Source = source pivot + scale * R(-angle) * (destination - pivot).
  const double su = source.right * 0.5 + rotation.pivotX * sx;
  const double sv = source.bottom * 0.5 + rotation.pivotY * sy;
  const Affine map{su - sx * (c * px + s * py),  sx * c,  sx * s,
                   sv - sy * (-s * px + c * py), -sy * s, sy * c};

  RECT region = destArea;
  if (!rotation.clipToArea) {
    // The bounding box of the area's corners turned about the pivot.
    double minX = px, maxX = px, minY = py, maxY = py;
    for (const double cornerX :
         {static_cast<double>(destArea.left), static_cast<double>(destArea.right)}) {
      for (const double cornerY :
           {static_cast<double>(destArea.top), static_cast<double>(destArea.bottom)}) {
        const double dx = cornerX - px;
        const double dy = cornerY - py;
        const double x = px + c * dx - s * dy;
        const double y = py + s * dx + c * dy;
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
      }
    }
    region = {static_cast<int>(std::floor(minX)) - 1, static_cast<int>(std::floor(minY)) - 1,
              static_cast<int>(std::ceil(maxX)) + 1, static_cast<int>(std::ceil(maxY)) + 1};
  }
  const Job job{Cut(region, *dest, clip),    source, map,    Edge::kTransparent,
                (mode & kModeBilinear) != 0, mode,   *weight};
  Run(*dest, *src, job);
}

}  // namespace raster
