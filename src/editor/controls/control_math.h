// Arithmetic several stock controls share.
#pragma once

#include <algorithm>
#include <optional>
#include <span>

#include "editor/records.h"

// The 1-based frame of an n-frame bitmap that shows a normalised value.
inline int FrameForValue(double value, int nFrames) {
  if (nFrames < 2) return 1;
  const double scaled = 0.5 + value * (nFrames - 1);
  // NaN and huge values land on the ends instead of overflowing the int.
  const int i = scaled >= nFrames ? nFrames - 1 : scaled > 0. ? static_cast<int>(scaled) : 0;
  return std::clamp(i, 0, nFrames - 1) + 1;
}

// The value of the first of n rectangles that holds the point, spread evenly
// over 0..1 (one rectangle has the value 0); none when no rectangle holds it.
inline std::optional<double> PickValue(std::span<const IRECT> rects, int x, int y) {
  const auto n = static_cast<int>(rects.size());
  for (int i = 0; i < n; ++i) {
    if (rects[static_cast<std::size_t>(i)].Contains(x, y))
      return n > 1 ? static_cast<double>(i) / (n - 1) : 0.0;
  }
  return std::nullopt;
}

// How far one wheel step moves a knob or fader: 0.01, or 0.001 with Ctrl or
// Shift for fine adjustment.
inline double WheelStep(const IMouseMod& mod, int d) {
  return d * ((mod.Ctrl || mod.Shift) ? 0.001 : 0.01);
}
