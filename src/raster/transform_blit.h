#pragma once

#include "raster/bitmap.h"
#include "raster/mode.h"

namespace raster {

// Scales the source area (null: the whole source) onto destArea, sampling bilinearly when
// the mode has kModeBilinear and the nearest pixel otherwise; the samples are combined by
// the mode's operator and the opacity as Blit does. Clipped to dest and the optional clip.
void ScaleBlit(Bitmap* dest, Bitmap* src, const RECT& destArea, const RECT* srcArea, float alpha,
               int mode, const RECT* clip = nullptr);

struct Rotation {
  double angle = 0.0;   // radians, clockwise on screen
  double pivotX = 0.0;  // rotation centre, offset from the area's centre in destination pixels
  double pivotY = 0.0;
  bool clipToArea = false;  // false: the turned corners may reach outside the area
};

// Draws the whole source, scaled to destArea, turned about the pivot. Outside the source
// the samples are transparent, so with source-alpha modes the edges come out smooth.
void RotateBlit(Bitmap* dest, Bitmap* src, const RECT& destArea, const Rotation& rotation,
                float alpha, int mode, const RECT* clip = nullptr);

}  // namespace raster
