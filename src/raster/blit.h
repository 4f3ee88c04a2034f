#pragma once

#include "raster/bitmap.h"
#include "raster/mode.h"

namespace raster {

// Copies the source area (null: the whole source) to (dstx, dsty) of dest, combining
// pixels by the mode word and the opacity alpha. Clipped to both bitmaps.
void Blit(Bitmap* dest, Bitmap* src, int dstx, int dsty, const RECT* srcrect, float alpha,
          int mode);

// The same with the source area given as position and size.
void Blit(Bitmap* dest, Bitmap* src, int dstx, int dsty, int srcx, int srcy, int srcw, int srch,
          float alpha, int mode);

// Resizes dest to the source's size and copies the whole source into it.
void Copy(Bitmap* dest, Bitmap* src);

}  // namespace raster
