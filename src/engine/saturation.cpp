#include "engine/saturation.h"

// The stage reads origin, scale and count from the table's header; pin them
// to the values the curve was fitted with, so an edit of the table that
// breaks the header fails the build rather than the sound.
static_assert(saturation_table::kCurve.origin == 0.0);
static_assert(saturation_table::GetFloat(4) == 0.8333110213279724);
static_assert(saturation_table::kCurve.scale == 142.14300537109375);
static_assert(saturation_table::kCurve.count == 200);
static_assert(saturation_table::kCurve.magnitudes[143] == static_cast<double>(0.5992123f));
