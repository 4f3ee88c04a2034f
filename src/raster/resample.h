// Resampling an area of a bitmap to another size with an area filter: each
// destination pixel is the coverage-weighted mean of the source pixels under
// it, colours weighted by their alpha, so that shrinking stays sharp and no
// dark fringes grow round transparent edges. For enlarging, bilinear
// filtering (transform_blit.h) suits better.
#pragma once

#include "raster/bitmap.h"

namespace raster {

// Fills the w x h area of dst at (x, y) from the source area; parts of either
// outside their bitmap are left out.
void ResampleArea(Bitmap& dst, int x, int y, int w, int h, Bitmap& src, const RECT& from);

}  // namespace raster
