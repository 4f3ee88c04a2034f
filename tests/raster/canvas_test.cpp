#include <gtest/gtest.h>

#include <numbers>
#include <random>

#include "raster/blit.h"
#include "raster/canvas.h"
#include "raster/mem_bitmap.h"
#include "tests/raster/test_bitmaps.h"

namespace raster {
namespace {

using test::At;

constexpr Pixel kBackground = 0x00000000;
// Adding this at full weight counts how often each pixel is drawn, in the blue byte.
const Paint kCount{0x00000001, 1.0f, kModeAdd};

int Drawn(Bitmap& bmp, int x, int y) {
  return static_cast<int>(At(bmp, x, y) & 0xFF);
}

TEST(Canvas, NothingLandsOutsideTheClip) {
  std::mt19937 rng(17);
  std::uniform_real_distribution<float> coord(-60.0f, 100.0f);
  MemBitmap bmp(40, 30);
  const RECT clip{5, 4, 31, 22};
  for (int round = 0; round < 400; ++round) {
    test::Fill(bmp, 0x12345678);
    Canvas canvas(bmp, &clip);
    const Paint paint{test::RandomPixel(rng), 1.0f, round % 2 ? kModeCopy : kModeSourceAlpha};
    const bool aa = rng() % 2 == 0;
    const auto c = [&] { return coord(rng); };
    const auto i = [&] { return static_cast<int>(coord(rng)); };
    canvas.line(c(), c(), c(), c(), paint, aa);
    canvas.arc(c(), c(), c() / 2 + 30, c() / 10, c() / 10, paint, aa);
    canvas.circle(c(), c(), c() / 2 + 30, paint, aa);
    canvas.fillCircle(c(), c(), c() / 2 + 30, paint, aa);
    canvas.fillRect(i(), i(), i(), i(), paint);
    canvas.roundRect(i(), i(), i(), i(), i() / 4, paint, aa);
    canvas.fillRoundRect(i(), i(), i(), i(), i() / 4, paint, aa);
    canvas.fillTriangle(i(), i(), i(), i(), i(), i(), paint);
    const int xs[] = {i(), i(), i(), i()};
    const int ys[] = {i(), i(), i(), i()};
    canvas.fillConvexPolygon(xs, ys, paint);
    canvas.putPixel(i(), i(), paint);
    for (int y = 0; y < 30; ++y) {
      for (int x = 0; x < 40; ++x) {
        if (x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom) continue;
        ASSERT_EQ(At(bmp, x, y), 0x12345678u) << x << "," << y;
      }
    }
  }
  // Extreme coordinates neither overflow nor take forever.
  Canvas canvas(bmp);
  constexpr int kHuge = std::numeric_limits<int>::max();
  canvas.line(-1e30f, 5.0f, 1e30f, 6.0f, kCount, false);
  canvas.line(5.0f, -1e30f, 6.0f, 1e30f, kCount, true);
  canvas.fillRect(-kHuge, -kHuge, kHuge, kHuge, kCount);
  canvas.fillTriangle(-kHuge, -kHuge, kHuge, 0, 0, kHuge, kCount);
  canvas.circle(20.0f, 15.0f, 1e30f, kCount, true);
  canvas.fillCircle(20.0f, 15.0f, std::numeric_limits<float>::quiet_NaN(), kCount, true);
}

TEST(Canvas, FillsCoverEachPixelOnce) {
  MemBitmap bmp(20, 20);
  test::Fill(bmp, kBackground);
  Canvas canvas(bmp);
  // Two triangles sharing a diagonal, and a polygon beside them, tile a 12 x 8 block.
  canvas.fillTriangle(2, 2, 10, 2, 2, 10, kCount);
  canvas.fillTriangle(10, 2, 10, 10, 2, 10, kCount);
  const int xs[] = {10, 14, 14, 10};
  const int ys[] = {2, 2, 10, 10};
  canvas.fillConvexPolygon(xs, ys, kCount);
  canvas.fillRect(2, 10, 12, 1, kCount);
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 20; ++x) {
      const bool inside = x >= 2 && x < 14 && y >= 2 && y < 11;
      ASSERT_EQ(Drawn(bmp, x, y), inside ? 1 : 0) << x << "," << y;
    }
  }
}

TEST(Canvas, AliasedOutlinesAreOnePixelThick) {
  MemBitmap bmp(64, 64);
  for (const int r : {0, 1, 2, 5, 13, 30}) {
    test::Fill(bmp, kBackground);
    Canvas canvas(bmp);
    canvas.circle(32, 32, static_cast<float>(r), kCount, false);
    int total = 0;
    for (int y = 0; y < 64; ++y) {
      for (int x = 0; x < 64; ++x) {
        ASSERT_LE(Drawn(bmp, x, y), 1) << "radius " << r;
        total += Drawn(bmp, x, y);
        if (x == 0 || y == 0) continue;
        // Mirror symmetry about both axes through the centre.
        ASSERT_EQ(Drawn(bmp, x, y), Drawn(bmp, 64 - x, y)) << "radius " << r;
        ASSERT_EQ(Drawn(bmp, x, y), Drawn(bmp, x, 64 - y)) << "radius " << r;
      }
    }
    EXPECT_EQ(Drawn(bmp, 32 + r, 32), 1);
    EXPECT_EQ(Drawn(bmp, 32, 32 - r), 1);
    EXPECT_GE(total, r == 0 ? 1 : 4 * r);
  }
}

TEST(Canvas, AliasedLinesIncludeBothEndsAndDoNotDependOnDirection) {
  MemBitmap forward(30, 30), backward(30, 30);
  test::Fill(forward, kBackground);
  test::Fill(backward, kBackground);
  Canvas(forward).line(3, 4, 25, 13, kCount, false);
  Canvas(backward).line(25, 13, 3, 4, kCount, false);
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 30; ++x)
      ASSERT_EQ(At(forward, x, y), At(backward, x, y));
  }
  EXPECT_EQ(Drawn(forward, 3, 4), 1);
  EXPECT_EQ(Drawn(forward, 25, 13), 1);
  for (int x = 3; x <= 25; ++x) {
    int inColumn = 0;
    for (int y = 0; y < 30; ++y)
      inColumn += Drawn(forward, x, y);
    EXPECT_EQ(inColumn, 1);
  }
}

TEST(Canvas, AntiAliasedEdgesAreSoftAndInteriorsSolid) {
  MemBitmap bmp(40, 40);
  test::Fill(bmp, kBackground);
  Canvas canvas(bmp);
  canvas.fillCircle(20.0f, 20.0f, 10.3f, {0xFFFFFFFF}, true);
  EXPECT_EQ(At(bmp, 20, 20), 0xFFFFFFFFu);
  EXPECT_EQ(At(bmp, 26, 27), 0xFFFFFFFFu);   // distance 9.2, within r - 0.5
  EXPECT_EQ(At(bmp, 20, 31) >> 24, 0u);      // distance 11 is beyond r + 0.5
  const Pixel edge = At(bmp, 30, 20) >> 24;  // distance 10, coverage 0.8
  EXPECT_GT(edge, 150u);
  EXPECT_LT(edge, 255u);

  test::Fill(bmp, kBackground);
  canvas.line(2.0f, 5.0f, 30.0f, 12.0f, {0xFFFFFFFF}, true);
  for (int x = 2; x <= 30; ++x) {
    unsigned column = 0;
    for (int y = 0; y < 40; ++y)
      column += At(bmp, x, y) >> 24;
    EXPECT_NEAR(column, 255.0, 2.0) << x;  // coverage split between two pixels
  }
}

TEST(Canvas, ArcsKeepToTheirAngles) {
  MemBitmap bmp(60, 60);
  test::Fill(bmp, kBackground);
  // The right half: from straight up, clockwise to straight down.
  Canvas(bmp).arc(30.0f, 30.0f, 20.0f, 0.0f, static_cast<float>(std::numbers::pi), kCount, false);
  EXPECT_EQ(Drawn(bmp, 50, 30), 1);
  EXPECT_EQ(Drawn(bmp, 30, 10), 1);
  for (int y = 0; y < 60; ++y) {
    for (int x = 0; x < 30; ++x) {
      if (x == 30) continue;
      ASSERT_EQ(Drawn(bmp, x, y), 0) << x << "," << y;
    }
  }
}

TEST(Canvas, ShapesCombineLikeBlitsOfTheirColor) {
  std::mt19937 rng(23);
  for (const int mode : {0, 1, 2, 0x10000, 0x10001, 0x10002, 0x10005}) {
    for (const float alpha : {1.0f, 0.7f, 0.3f}) {
      MemBitmap painted(8, 1), blitted(8, 1), solid(8, 1);
      test::FillRandom(painted, rng);
      Copy(&blitted, &painted);
      const Pixel color = test::RandomPixel(rng) | 0x01000000;
      test::Fill(solid, color);
      Canvas(painted).fillRect(0, 0, 8, 1, {color, alpha, mode});
      Blit(&blitted, &solid, 0, 0, nullptr, alpha, mode);
      for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(At(painted, x, 0), At(blitted, x, 0)) << "mode " << mode << " alpha " << alpha;
      }
    }
  }
}

}  // namespace
}  // namespace raster
