#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <random>

#include "raster/blit.h"
#include "raster/mem_bitmap.h"
#include "tests/raster/test_bitmaps.h"

namespace raster {
namespace {

using test::At;

// ---- Reference: the per-pixel rules, one channel at a time ---------------------------

using Channels = std::array<int, 4>;  // B, G, R, A

Channels Split(Pixel p) {
  return {static_cast<int>(p & 0xFF), static_cast<int>(p >> 8 & 0xFF),
          static_cast<int>(p >> 16 & 0xFF), static_cast<int>(p >> 24)};
}

Pixel Join(const Channels& c) {
  Pixel p = 0;
  for (int i = 0; i < 4; ++i)
    p |= static_cast<Pixel>(c[i] & 0xFF) << (8 * i);
  return p;
}

int DodgeRef(int d, int s, int w) {
  const int t = s * w / 256;
  return t < 255 ? std::min(255, d * 256 / (256 - t)) : std::min(255, d * 256);
}

Channels HsvRef(const Channels& d, const Channels& s) {
  const int r = d[2], g = d[1], b = d[0];
  const int hi = std::max({r, g, b}), lo = std::min({r, g, b}), delta = hi - lo;
  int hue = 0;
  if (delta > 0) {
    hue = hi == r   ? (g - b) * 256 / delta
          : hi == g ? 512 + (b - r) * 256 / delta
                    : 1024 + (r - g) * 256 / delta;
    if (hue < 0) hue += 1536;
  }
  hue = (hue + s[2] * 6) % 1536;
  const int sat = std::min(255, (hi == 0 ? 0 : delta * 255 / hi) * s[1] / 128);
  const int v = std::min(255, hi * s[0] / 128);
  const int f = hue % 256;
  const int p = v * (255 - sat) / 255;
  const int q = v * (255 * 256 - sat * f) / (255 * 256);
  const int t = v * (255 * 256 - sat * (256 - f)) / (255 * 256);
  const std::array<std::array<int, 3>, 6> rgb = {
      {{v, t, p}, {q, v, p}, {p, v, t}, {p, q, v}, {t, p, v}, {v, p, q}}};
  const auto& c = rgb[static_cast<std::size_t>(hue / 256)];
  return {c[2], c[1], c[0], d[3]};
}

Pixel Reference(Pixel dst, Pixel src, float alpha, int mode) {
  if ((mode & 0xF0) == 0xF0) {
    Channels d = Split(dst);
    d[static_cast<std::size_t>((mode >> 2) & 3)] = Split(src)[static_cast<std::size_t>(mode & 3)];
    return Join(d);
  }
  const int op = mode & 0x100FF;
  if (op == 0 && alpha == 1.0f) return src;
  if (op == 0 && alpha == 0.5f) return ((src >> 1) & 0x7F7F7F7F) + ((dst >> 1) & 0x7F7F7F7F);
  const int w = static_cast<int>(alpha * 256);
  if (w == 0) return dst;
  Channels d = Split(dst);
  const Channels s = Split(src);
  const int sA = s[3];
  const int v = w * (sA + 1) / 256;
  const auto toward = [](int from, int to, int weight) {
    return from + (to - from) * weight / 256;
  };
  switch (op) {
    case 0:
      if (w == 256) return src;
      if (w < 0) return dst;
      for (int i = 0; i < 4; ++i)
        d[i] = s[i] + (d[i] - s[i]) * (256 - w) / 256;
      break;
    case 1:
      for (int i = 0; i < 4; ++i)
        d[i] = std::min(255, d[i] + s[i] * w / 256);
      break;
    case 2:
      for (int i = 0; i < 4; ++i)
        d[i] = DodgeRef(d[i], s[i], w);
      break;
    case 3:
      for (int i = 0; i < 4; ++i)
        d[i] = toward(d[i], s[i] * d[i] / 255, w);
      break;
    case 4:
      for (int i = 0; i < 4; ++i) {
        const int t =
            d[i] < 128 ? 2 * s[i] * d[i] / 255 : 255 - 2 * (255 - s[i]) * (255 - d[i]) / 255;
        d[i] = toward(d[i], t, w);
      }
      break;
    case 5: {
      const Channels t = HsvRef(d, s);
      for (int i = 0; i < 3; ++i)
        d[i] = toward(d[i], t[i], w);
      break;
    }
    case 0x10000:
      if (sA == 0) return dst;
      if (w == 256) {
        if (sA == 255) return src | 0xFF000000;
        for (int i = 0; i < 3; ++i)
          d[i] = s[i] + (d[i] - s[i]) * (255 - sA) / 256;
        d[3] = std::min(255, d[3] + sA);
      } else {
        for (int i = 0; i < 3; ++i)
          d[i] = s[i] + (d[i] - s[i]) * (256 - v) / 256;
        d[3] = std::min(255, d[3] + v);
      }
      break;
    case 0x10001:
      if (sA == 0) return dst;
      for (int i = 0; i < 3; ++i)
        d[i] = std::min(255, d[i] + s[i] * v / 256);
      d[3] = std::min(255, d[3] + sA * v / 256);
      break;
    case 0x10002:
      for (int i = 0; i < 4; ++i)
        d[i] = DodgeRef(d[i], s[i], v);
      break;
    case 0x10003:
      for (int i = 0; i < 3; ++i)
        d[i] = toward(d[i], s[i] * d[i] / 255, v);
      break;
    case 0x10004:
      for (int i = 0; i < 3; ++i) {
        const int t =
            d[i] < 128 ? 2 * s[i] * d[i] / 255 : 255 - 2 * (255 - s[i]) * (255 - d[i]) / 255;
        d[i] = toward(d[i], t, v);
      }
      break;
    case 0x10005: {
      const Channels t = HsvRef(d, s);
      for (int i = 0; i < 3; ++i)
        d[i] = toward(d[i], t[i], v);
      break;
    }
    default:
      return dst;
  }
  return Join(d);
}

// ---- Edge cases ----------------------------------------------------------------------

TEST(Blit, NegativeDestinationTakesTheSourceFromTheMatchingOffset) {
  MemBitmap src(10, 10), dst(10, 10);
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 10; ++x)
      At(src, x, y) = static_cast<Pixel>(y * 16 + x);
  }
  test::Fill(dst, 0xDEADBEEF);
  Blit(&dst, &src, -3, -2, nullptr, 1.0f, 0);
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 10; ++x) {
      const Pixel expected = x < 7 && y < 8 ? static_cast<Pixel>((y + 2) * 16 + x + 3) : 0xDEADBEEF;
      ASSERT_EQ(At(dst, x, y), expected) << x << "," << y;
    }
  }
}

TEST(Blit, HalfOpacityCopyAveragesBytes) {
  MemBitmap src(1, 1), dst(1, 1);
  At(src, 0, 0) = 0xFFFFFFFF;
  At(dst, 0, 0) = 0x00000000;
  Blit(&dst, &src, 0, 0, nullptr, 0.5f, 0);
  EXPECT_EQ(At(dst, 0, 0), 0x7F7F7F7Fu);
}

TEST(Blit, SourceAlphaAtFullWeightKeepsOrReplaces) {
  MemBitmap src(3, 1), dst(3, 1);
  At(src, 0, 0) = 0x00123456;
  At(src, 1, 0) = 0xFF654321;
  At(src, 2, 0) = 0x80FF0000;
  test::Fill(dst, 0x10ABCDEF);
  Blit(&dst, &src, 0, 0, nullptr, 1.0f, kModeSourceAlpha);
  EXPECT_EQ(At(dst, 0, 0), 0x10ABCDEFu);
  EXPECT_EQ(At(dst, 1, 0), 0xFF654321u);
  // f = 127: R 255 + (171-255)*127/256 = 214, G 0 + 205*127/256 = 101, B 239*127/256 = 118.
  EXPECT_EQ(At(dst, 2, 0), 0x90D66576u);
}

TEST(Blit, AddSaturates) {
  MemBitmap src(1, 1), dst(1, 1);
  At(src, 0, 0) = 0x80C0F0FF;
  At(dst, 0, 0) = 0x90500101;
  Blit(&dst, &src, 0, 0, nullptr, 1.0f, kModeAdd);
  EXPECT_EQ(At(dst, 0, 0), 0xFFFFF1FFu);
}

TEST(Blit, SourceRectangleIsCutAtTheSourceEdges) {
  MemBitmap src(4, 4), dst(8, 8);
  test::Fill(src, 0xFF0000FF);
  test::Fill(dst, 0);
  const RECT beyond{2, -1, 9, 3};  // top -1 moves the destination down by one
  Blit(&dst, &src, 1, 1, &beyond, 1.0f, 0);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      const bool inside = x >= 1 && x < 3 && y >= 2 && y < 5;
      ASSERT_EQ(At(dst, x, y), inside ? 0xFF0000FFu : 0u) << x << "," << y;
    }
  }
  const RECT outside{5, 0, 9, 4};
  Blit(&dst, &src, 0, 0, &outside, 1.0f, 0);
  const RECT inverted{3, 3, 1, 1};
  Blit(&dst, &src, 0, 0, &inverted, 1.0f, 0);
  EXPECT_EQ(At(dst, 0, 0), 0u);
}

TEST(Blit, NothingHappensWithoutBitmapsOrOpacity) {
  MemBitmap src(2, 2), dst(2, 2), empty;
  test::Fill(src, 0xFFFFFFFF);
  test::Fill(dst, 0x01020304);
  Blit(nullptr, &src, 0, 0, nullptr, 1.0f, 0);
  Blit(&dst, nullptr, 0, 0, nullptr, 1.0f, 0);
  Blit(&dst, &empty, 0, 0, nullptr, 1.0f, 0);
  Blit(&dst, &src, 0, 0, nullptr, 0.0f, 0);
  Blit(&dst, &src, 0, 0, nullptr, 0.001f, kModeAdd);  // weight truncates to 0
  Blit(&dst, &src, 0, 0, nullptr, std::numeric_limits<float>::quiet_NaN(), kModeAdd);
  Blit(&dst, &src, 0, 0, nullptr, -1.0f, kModeCopy);
  Blit(&dst, &src, 0, 0, nullptr, 1.0f, 0x77);  // no such operation
  Blit(&dst, &src, 2, 0, nullptr, 1.0f, 0);
  Blit(&dst, &src, 0, -2, nullptr, 1.0f, 0);
  Blit(&dst, &src, std::numeric_limits<int>::min(), 0, 0, 0, std::numeric_limits<int>::max(), 2,
       1.0f, 0);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 2; ++x)
      EXPECT_EQ(At(dst, x, y), 0x01020304u);
  }
}

TEST(Blit, ChannelCopyMovesOneByte) {
  MemBitmap src(1, 1), dst(1, 1);
  At(src, 0, 0) = 0x44332211;
  At(dst, 0, 0) = 0xDDCCBBAA;
  Blit(&dst, &src, 0, 0, nullptr, 0.3f, ChannelCopyMode(2, 3));  // R into A
  EXPECT_EQ(At(dst, 0, 0), 0x33CCBBAAu);
}

TEST(Blit, OntoItselfReadsTheSourceBeforeWriting) {
  MemBitmap bmp(6, 6);
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 6; ++x)
      At(bmp, x, y) = static_cast<Pixel>(y * 6 + x);
  }
  Blit(&bmp, &bmp, 1, 1, 0, 0, 5, 5, 1.0f, 0);
  for (int y = 1; y < 6; ++y) {
    for (int x = 1; x < 6; ++x)
      ASSERT_EQ(At(bmp, x, y), static_cast<Pixel>((y - 1) * 6 + x - 1));
  }
}

TEST(Copy, ResizesAndCopies) {
  MemBitmap src(3, 2), dst(1, 1);
  std::mt19937 rng(7);
  test::FillRandom(src, rng);
  Copy(&dst, &src);
  ASSERT_EQ(dst.getWidth(), 3);
  ASSERT_EQ(dst.getHeight(), 2);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x)
      EXPECT_EQ(At(dst, x, y), At(src, x, y));
  }
}

// ---- Every mode against the reference, on random pixels, opacities and clips ---------

std::unique_ptr<Bitmap> MakeBitmap(std::mt19937& rng, int w, int h) {
  if (rng() % 3 == 0) return std::make_unique<test::FlippedBitmap>(w, h);
  return std::make_unique<MemBitmap>(w, h, 1u << (rng() % 4));
}

TEST(Blit, EveryModeMatchesThePerPixelRules) {
  constexpr std::array kModes = {0,       1,       2,       3,       4,       5,       0x10000,
                                 0x10001, 0x10002, 0x10003, 0x10004, 0x10005, 0x100,   0x10100,
                                 0x10101, 0xF0,    0xF9,    0x100F7, 0x6,     0x10006, 0x20000};
  constexpr std::array kOpacities = {1.0f,  0.5f,  0.25f, 0.75f,  0.999f, 1.001f,
                                     1.25f, -0.5f, 0.0f,  0.004f, 0.0039f};
  std::mt19937 rng(20240611);
  std::uniform_real_distribution<float> anyOpacity(0.0f, 1.0f);
  for (int round = 0; round < 6000; ++round) {
    const auto src =
        MakeBitmap(rng, 1 + static_cast<int>(rng() % 23), 1 + static_cast<int>(rng() % 9));
    const auto dst =
        MakeBitmap(rng, 1 + static_cast<int>(rng() % 23), 1 + static_cast<int>(rng() % 9));
    test::FillRandom(*src, rng);
    test::FillRandom(*dst, rng);
    MemBitmap before(dst->getWidth(), dst->getHeight());
    for (int y = 0; y < dst->getHeight(); ++y) {
      for (int x = 0; x < dst->getWidth(); ++x)
        At(before, x, y) = At(*dst, x, y);
    }
    const int mode = kModes[rng() % kModes.size()];
    const float alpha = rng() % 2 ? kOpacities[rng() % kOpacities.size()] : anyOpacity(rng);
    const int dstx = static_cast<int>(rng() % 40) - 20;
    const int dsty = static_cast<int>(rng() % 20) - 10;
    RECT area{static_cast<int>(rng() % 30) - 5, static_cast<int>(rng() % 12) - 3, 0, 0};
    area.right = area.left + static_cast<int>(rng() % 30) - 2;
    area.bottom = area.top + static_cast<int>(rng() % 12) - 2;
    const bool whole = rng() % 4 == 0;
    if (whole) area = {0, 0, src->getWidth(), src->getHeight()};

    Blit(dst.get(), src.get(), dstx, dsty, whole ? nullptr : &area, alpha, mode);

    for (int y = 0; y < dst->getHeight(); ++y) {
      for (int x = 0; x < dst->getWidth(); ++x) {
        // The source pixel that lands here, if any.
        const int sx = x - dstx + area.left;
        const int sy = y - dsty + area.top;
        const bool covered =
            sx >= std::max(area.left, 0) && sx < std::min(area.right, src->getWidth()) &&
            sy >= std::max(area.top, 0) && sy < std::min(area.bottom, src->getHeight());
        const Pixel old = At(before, x, y);
        const Pixel expected =
            covered && alpha != 0.0f ? Reference(old, At(*src, sx, sy), alpha, mode) : old;
        ASSERT_EQ(At(*dst, x, y), expected)
            << "round " << round << " mode " << std::hex << mode << std::dec << " alpha " << alpha
            << " at " << x << "," << y << " src " << std::hex << (covered ? At(*src, sx, sy) : 0)
            << " dst " << old;
      }
    }
  }
}

}  // namespace
}  // namespace raster
