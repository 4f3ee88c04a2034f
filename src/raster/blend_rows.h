#pragma once

#include <span>

#include "raster/blend_ops.h"

namespace raster::blend {

// Combines a row of source pixels into a row of destination pixels (same length) by op
// with weight w, bit for bit as Combine does.
void BlendRow(Op op, std::span<Pixel> dst, std::span<const Pixel> src, int w);

// Every destination word becomes the per-byte average of itself and the source, rounding
// down, alpha included.
void AverageRow(std::span<Pixel> dst, std::span<const Pixel> src);

}  // namespace raster::blend
