// A bitmap's pixels at an editor scale other than 1, made once per process
// and kept: frame by frame, so that no frame bleeds into the next, each frame
// round(size x scale) pixels. Made from the image's double-resolution set
// where it has one (shrunk by an area filter for scales below 2), never by
// enlarging the 1x image when the 2x one exists; without one, below 1 the 1x
// image is shrunk the same way and above 1 enlarged bilinearly.
#pragma once

#include "editor/records.h"
#include "raster/bitmap.h"

// The size of one frame at the scale.
int ScaledSide(int side, double scale);

// Null for an empty bitmap; any thread.
raster::Bitmap* ScaledPixels(const IBitmap& bitmap, double scale);
