// Golden images: a drawn image compared with one stored beside the tests, or
// stored anew with QUOR_UPDATE_GOLDEN=1.
//
// Pixels drawn only by blits must match exactly. Where anti-aliased shapes,
// rotated bitmaps or text are drawn (the soft areas), font and rounding details
// may move a little: each channel may differ by up to kGoldenTolerance, and at
// most kGoldenLooseShare of the soft pixels by more.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "editor/records.h"
#include "raster/png.h"
#include "raster/rows.h"

inline constexpr int kGoldenTolerance = 24;
inline constexpr double kGoldenLooseShare = 0.02;

inline void ExpectGolden(raster::Bitmap& image, const std::string& path,
                         const std::vector<IRECT>& soft = {}) {
  const char* update = std::getenv("QUOR_UPDATE_GOLDEN");
  if (update && std::string(update) == "1") {
    ASSERT_TRUE(raster::WritePNG(image, path.c_str())) << path;
    GTEST_SKIP() << "wrote " << path;
  }
  const auto golden = raster::LoadPNG(path.c_str());
  ASSERT_NE(golden, nullptr) << path << " is missing: run with QUOR_UPDATE_GOLDEN=1";
  ASSERT_EQ(golden->getWidth(), image.getWidth());
  ASSERT_EQ(golden->getHeight(), image.getHeight());
  const raster::Rows want(*golden), got(image);
  long long softPixels = 0, loose = 0, exactMisses = 0;
  for (int y = 0; y < want.height(); ++y) {
    for (int x = 0; x < want.width(); ++x) {
      const IColor a = IColor::FromPixel(want.at(x, y));
      const IColor b = IColor::FromPixel(got.at(x, y));
      const bool isSoft =
          std::any_of(soft.begin(), soft.end(), [&](const IRECT& r) { return r.Contains(x, y); });
      if (!isSoft) {
        if (!(a == b) && exactMisses++ < 5)
          ADD_FAILURE() << path << ": pixel " << x << "," << y << " differs";
        continue;
      }
      ++softPixels;
      const int d = std::max(
          {std::abs(a.A - b.A), std::abs(a.R - b.R), std::abs(a.G - b.G), std::abs(a.B - b.B)});
      if (d > kGoldenTolerance) ++loose;
    }
  }
  EXPECT_EQ(exactMisses, 0) << path;
  EXPECT_LE(loose, static_cast<long long>(kGoldenLooseShare * static_cast<double>(softPixels)))
      << path << ": " << loose << " of " << softPixels << " soft pixels differ";
}
