#include <gtest/gtest.h>

#include <cstring>

#include "tests/framework/test_effect.h"

TEST(Serialization, FrameworkHeader) {
  ByteChunk chunk;
  chunk.PutBool(true);
  IEffectBase::InitChunkWithFrameworkVer(&chunk);
  ASSERT_EQ(chunk.Size(), 8);
  const std::uint8_t expected[] = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};
  EXPECT_EQ(std::memcmp(chunk.GetBytes(), expected, 8), 0);
  int position = 0;
  EXPECT_EQ(IEffectBase::GetFrameworkVerFromChunk(&chunk, &position), 0x10000);
  EXPECT_EQ(position, 8);

  chunk.Resize(6);
  position = 0;
  EXPECT_EQ(IEffectBase::GetFrameworkVerFromChunk(&chunk, &position), 0);
  EXPECT_EQ(position, -1);

  ByteChunk plain;
  plain.Put(std::int32_t{5});
  position = 0;
  EXPECT_EQ(IEffectBase::GetFrameworkVerFromChunk(&plain, &position), 0);
  EXPECT_EQ(position, 0);
}

TEST(Serialization, ParamsRoundTripAndShortBlocks) {
  TestEffect effect(94);
  ByteChunk chunk;
  EXPECT_TRUE(effect.SerializeParams(&chunk));
  EXPECT_EQ(chunk.Size(), 752);

  TestEffect five(5);
  for (int i = 0; i < 5; ++i)
    five.GetParam(i)->InitDouble("p", 0., 0.5, 10., 0.1);
  ByteChunk three;
  for (double v : {1., 2., 3.})
    three.Put(v);
  five.GetParam(4)->Set(7.);
  EXPECT_EQ(five.UnserializeParams(&three, 0), -1);  // a short block changes nothing
  EXPECT_EQ(five.GetParam(0)->Value(), 0.);
  EXPECT_EQ(five.GetParam(4)->Value(), 7.);
  EXPECT_TRUE(five.mChanged.empty());
  for (double v : {4., 5.})
    three.Put(v);
  EXPECT_EQ(five.UnserializeParams(&three, 0), 40);
  EXPECT_EQ(five.GetParam(4)->Value(), 5.);
  EXPECT_EQ(five.mChanged.size(), 5u);
}

TEST(Serialization, PresetListLayout) {
  TestEffect effect(2, "2-2", 1);
  ByteChunk chunk;
  EXPECT_TRUE(effect.SerializePresets(&chunk));
  const std::uint8_t expected[] = {5, 0, 0, 0, 'e', 'm', 'p', 't', 'y', 0};
  ASSERT_EQ(chunk.Size(), 10);
  EXPECT_EQ(std::memcmp(chunk.GetBytes(), expected, 10), 0);
}

TEST(Serialization, PresetListRoundTrip) {
  TestEffect source(2, "2-2", 2);
  source.GetParam(0)->InitDouble("a", 0., 0., 1., 0.01);
  source.GetParam(0)->Set(0.25);
  source.MakeDefaultPreset("first", 1);
  source.GetParam(0)->Set(0.75);
  source.MakeDefaultPreset("second", 1);
  ByteChunk chunk;
  ASSERT_TRUE(source.SerializePresets(&chunk));

  TestEffect target(2, "2-2", 2);
  target.GetParam(0)->InitDouble("a", 0., 0., 1., 0.01);
  EXPECT_EQ(target.UnserializePresets(&chunk, 0), chunk.Size());
  EXPECT_STREQ(target.GetPresetName(1), "second");
  EXPECT_EQ(target.GetParam(0)->Value(), 0.25);  // the current slot is restored
}

TEST(Serialization, CompareStateTolerance) {
  TestEffect effect(2);
  effect.GetParam(0)->Set(0.5);
  double near[2] = {0.500001, 0.};
  double far[2] = {0.501, 0.};
  EXPECT_TRUE(effect.CompareState(reinterpret_cast<std::uint8_t*>(near), 0, sizeof near));
  EXPECT_FALSE(effect.CompareState(reinterpret_cast<std::uint8_t*>(far), 0, sizeof far));
  EXPECT_FALSE(effect.CompareState(reinterpret_cast<std::uint8_t*>(near), 1, sizeof near));
}
