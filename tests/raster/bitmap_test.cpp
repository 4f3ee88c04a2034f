#include <gtest/gtest.h>

#include <algorithm>

#include <cstdint>

#include "raster/mem_bitmap.h"
#include "raster/sys_bitmap.h"

namespace raster {
namespace {

bool On64ByteBoundary(const Pixel* p) {
  return reinterpret_cast<std::uintptr_t>(p) % 64 == 0;
}

TEST(MemBitmap, RowSpanFollowsLineAlignment) {
  EXPECT_EQ(MemBitmap(5, 3, 4).getRowSpan(), 8);
  EXPECT_EQ(MemBitmap(5, 3, 1).getRowSpan(), 5);
  EXPECT_EQ(MemBitmap(5, 3, 0).getRowSpan(), 5);
  EXPECT_EQ(MemBitmap(8, 3, 4).getRowSpan(), 8);
  EXPECT_EQ(MemBitmap(5, 3, 12).getRowSpan(), 8);  // lowest set bit of 12 is 4
  EXPECT_EQ(MemBitmap(17, 1, 16).getRowSpan(), 32);
  // Wider requests stop at 16 pixels, the storage alignment.
  EXPECT_EQ(MemBitmap(17, 1, 64).getRowSpan(), 32);
  EXPECT_EQ(MemBitmap(33, 1, 1u << 31).getRowSpan(), 48);
}

TEST(MemBitmap, StorageIsAlignedAndKeptWhenShrinking) {
  MemBitmap bmp(100, 50, 4);
  ASSERT_NE(bmp.getBits(), nullptr);
  EXPECT_TRUE(On64ByteBoundary(bmp.getBits()));
  const Pixel* const first = bmp.getBits();
  const std::size_t reserved = bmp.capacity();
  EXPECT_EQ(reserved, 100u * 50 * 4);

  EXPECT_TRUE(bmp.resize(10, 10));
  EXPECT_EQ(bmp.getBits(), first);
  EXPECT_EQ(bmp.capacity(), reserved);
  EXPECT_TRUE(bmp.resize(100, 50));
  EXPECT_EQ(bmp.getBits(), first);
}

TEST(MemBitmap, GrowthReservesFiveQuarters) {
  MemBitmap bmp(100, 100);
  EXPECT_TRUE(bmp.resize(100, 200));
  EXPECT_EQ(bmp.capacity(), 100u * 200 * 4 * 5 / 4);
  EXPECT_TRUE(On64ByteBoundary(bmp.getBits()));
  const Pixel* const grown = bmp.getBits();
  EXPECT_TRUE(bmp.resize(100, 250));  // within the reserve
  EXPECT_EQ(bmp.getBits(), grown);
}

TEST(MemBitmap, ResizeRules) {
  MemBitmap bmp(10, 10);
  EXPECT_FALSE(bmp.resize(10, 10));

  EXPECT_TRUE(bmp.resize(0, 10));
  EXPECT_EQ(bmp.getWidth(), 0);
  EXPECT_EQ(bmp.getHeight(), 0);
  EXPECT_EQ(bmp.getBits(), nullptr);
  EXPECT_EQ(bmp.capacity(), 0u);
  EXPECT_FALSE(bmp.resize(-4, 3));  // still 0 x 0

  // Memory that cannot be had leaves 0 x 0.
  EXPECT_TRUE(bmp.resize(4, 4));
  EXPECT_TRUE(bmp.resize(1 << 30, 1 << 30));
  EXPECT_EQ(bmp.getWidth(), 0);
  EXPECT_EQ(bmp.getHeight(), 0);
  EXPECT_EQ(bmp.getBits(), nullptr);
  EXPECT_EQ(MemBitmap(0x7FFFFFFF, 2, 16).getWidth(), 0);
}

TEST(SysBitmap, RowSpanAndGrowthWithinTheContext) {
  SysBitmap bmp(5, 7);
  ASSERT_NE(bmp.getDC(), nullptr);
  EXPECT_EQ(bmp.getRowSpan(), 8);
  const Pixel* const bits = bmp.getBits();
  const DrawContext* const context = bmp.getDC();

  EXPECT_TRUE(bmp.resize(3, 2));
  EXPECT_TRUE(bmp.resize(5, 7));
  EXPECT_EQ(bmp.getDC(), context);
  EXPECT_EQ(bmp.getBits(), bits);
  EXPECT_EQ(bmp.getRowSpan(), 8);
  EXPECT_FALSE(bmp.resize(5, 7));

  EXPECT_TRUE(bmp.resize(9, 7));
  ASSERT_NE(bmp.getDC(), nullptr);
  EXPECT_EQ(bmp.getRowSpan(), 12);
  EXPECT_EQ(bmp.getDC()->width(), 9);

  EXPECT_TRUE(bmp.resize(0, 0));
  EXPECT_EQ(bmp.getDC(), nullptr);
  EXPECT_EQ(bmp.getBits(), nullptr);
}

// A surface never drawn has no pixel memory; its first use finds it cleared,
// even where the allocator hands back memory a freed surface had filled.
TEST(SysBitmap, PixelsAreMadeClearedAtTheirFirstUse) {
  for (int round = 0; round < 2; ++round) {
    SysBitmap bmp(1215, 692);
    EXPECT_EQ(bmp.getRowSpan(), 1216);
    ASSERT_NE(bmp.getBits(), nullptr);
    const Pixel* const bits = bmp.getBits();
    for (int i = 0; i < 1216 * 692; ++i)
      ASSERT_EQ(bits[i], 0u) << i;
    std::fill_n(bmp.getBits(), 1216 * 692, 0xFFFFFFFFu);
  }
}

}  // namespace
}  // namespace raster
