// The look the toolkit's own views share: the popup menu here, the dialogs
// and tooltips a platform draws. One place, so that they stay alike.
#pragma once

#include "editor/records.h"
#include "raster/bitmap.h"

inline constexpr raster::Pixel kViewText = 0xFF1A1A1Au;
inline constexpr raster::Pixel kViewFrame = 0xFF8A8A8Au;
// A hovered menu item, a dialog's default button.
inline constexpr raster::Pixel kViewHighlight = 0xFF3A74D0u;

// The views' text at the size, black and left-aligned.
inline IText ViewTextStyle(int size) {
  return IText(size, COLOR_BLACK, "DejaVu Sans", IText::kTextNormal, IText::kAlignLeft, 0,
               IText::kQualityAntiAliased);
}
