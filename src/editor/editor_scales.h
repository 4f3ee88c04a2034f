// The scales the editor offers its user: sharp at each, since every one is
// made from the nearest larger set of images.
#pragma once

#include <array>
#include <cmath>

inline constexpr std::array<double, 6> kEditorScales = {0.75, 1., 1.25, 1.5, 1.75, 2.};

// The offered scale nearest to any, as a desktop's 120 dpi (1.25) or 110
// (1.146, to 1.25 as well: nearer to the larger, since text rather grows).
inline double NearestEditorScale(double scale) {
  if (!(scale > 0.)) return 1.;
  double best = kEditorScales.front();
  for (const double offered : kEditorScales)
    if (std::fabs(offered - scale) <= std::fabs(best - scale)) best = offered;
  return best;
}
