#include <gtest/gtest.h>

#include <numbers>
#include <random>

#include "raster/mem_bitmap.h"
#include "raster/transform_blit.h"
#include "tests/raster/test_bitmaps.h"

namespace raster {
namespace {

using test::At;

TEST(RotateBlit, QuarterTurnMovesEveryPixel) {
  std::mt19937 rng(31);
  constexpr int kSide = 8;
  MemBitmap src(kSide, kSide), dst(12, 12);
  test::FillRandom(src, rng);
  test::Fill(dst, 0);
  RotateBlit(&dst, &src, {2, 2, 2 + kSide, 2 + kSide}, {std::numbers::pi / 2, 0.0, 0.0, true}, 1.0f,
             0);
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      ASSERT_EQ(At(dst, x + 2, y + 2), At(src, y, kSide - 1 - x)) << x << "," << y;
    }
  }
  EXPECT_EQ(At(dst, 1, 1), 0u);
}

TEST(RotateBlit, NoTurnWithFilteringIsACopy) {
  std::mt19937 rng(37);
  MemBitmap src(9, 7), dst(9, 7);
  test::FillRandom(src, rng);
  RotateBlit(&dst, &src, {0, 0, 9, 7}, {}, 1.0f, kModeBilinear);
  for (int y = 0; y < 7; ++y) {
    for (int x = 0; x < 9; ++x)
      ASSERT_EQ(At(dst, x, y), At(src, x, y));
  }
}

TEST(RotateBlit, TurnedCornersReachOutsideTheAreaUnlessClipped) {
  MemBitmap src(10, 10), dst(30, 30);
  test::Fill(src, 0xFFFFFFFF);
  const auto drawnOutside = [&](bool clipToArea) {
    test::Fill(dst, 0);
    RotateBlit(&dst, &src, {10, 10, 20, 20}, {std::numbers::pi / 4, 0.0, 0.0, clipToArea}, 1.0f,
               kModeSourceAlpha | kModeBilinear);
    int outside = 0;
    for (int y = 0; y < 30; ++y) {
      for (int x = 0; x < 30; ++x) {
        const bool inArea = x >= 10 && x < 20 && y >= 10 && y < 20;
        if (!inArea && At(dst, x, y) != 0) ++outside;
      }
    }
    return outside;
  };
  EXPECT_GT(drawnOutside(false), 0);
  EXPECT_EQ(drawnOutside(true), 0);
}

TEST(ScaleBlit, NearestAndBilinear) {
  MemBitmap src(2, 1), dst(4, 2);
  At(src, 0, 0) = 0xFFFF0000;
  At(src, 1, 0) = 0x0000FF00;  // clear green
  ScaleBlit(&dst, &src, {0, 0, 4, 2}, nullptr, 1.0f, 0);
  EXPECT_EQ(At(dst, 1, 1), 0xFFFF0000u);
  EXPECT_EQ(At(dst, 2, 0), 0x0000FF00u);

  ScaleBlit(&dst, &src, {0, 0, 4, 2}, nullptr, 1.0f, kModeBilinear);
  for (int x = 0; x < 3; ++x) {
    // Filtering weighs colour by alpha: the clear pixel's green never shows.
    EXPECT_EQ(At(dst, x, 0) & 0x00FFFFFF, 0x00FF0000u) << x;
  }
  EXPECT_EQ(At(dst, 0, 0) >> 24, 255u);
  EXPECT_GT(At(dst, 1, 0) >> 24, At(dst, 2, 0) >> 24);
  EXPECT_GT(At(dst, 2, 0) >> 24, 0u);
  EXPECT_EQ(At(dst, 3, 0) >> 24, 0u);
}

TEST(ScaleBlit, StaysInsideTheClipAndTheBitmap) {
  std::mt19937 rng(41);
  MemBitmap src(5, 5), dst(10, 10);
  test::FillRandom(src, rng);
  test::Fill(dst, 0x11111111);
  const RECT clip{2, 2, 6, 6};
  const RECT part{-3, 1, 9, 4};
  ScaleBlit(&dst, &src, {-20, -20, 40, 40}, &part, 1.0f, kModeBilinear, &clip);
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 10; ++x) {
      const bool inClip = x >= 2 && x < 6 && y >= 2 && y < 6;
      if (!inClip) {
        ASSERT_EQ(At(dst, x, y), 0x11111111u);
      }
    }
  }
}

}  // namespace
}  // namespace raster
