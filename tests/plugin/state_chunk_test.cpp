// QUOR's own part of a chunk: nine length-prefixed names, then the values.
#include <gtest/gtest.h>

#include <string>

#include "plugin/quor.h"

namespace {

ByteChunk StateWith(const std::vector<std::string>& names, int nValues, double value) {
  ByteChunk chunk;
  for (const std::string& name : names) {
    chunk.Put(static_cast<std::int32_t>(name.size()));
    chunk.PutBytes(name.data(), name.size());
  }
  for (int i = 0; i < nValues; ++i)
    chunk.Put(value);
  return chunk;
}

}  // namespace

TEST(StateChunk, DefaultStateLayout) {
  QUOR console(IInstanceInfo{});
  ByteChunk chunk;
  ASSERT_TRUE(console.SerializeState(&chunk));
  EXPECT_EQ(chunk.Size(), 874);
  EXPECT_STREQ(console.GetPresetName(0), "-");
  EXPECT_EQ(*console.GetPresetChunk(0), chunk);
  EXPECT_EQ(console.GetTrackName(8), "Master");
}

TEST(StateChunk, NamesRoundTripExactly) {
  QUOR console(IInstanceInfo{});
  console.SetTrackName(0, "Drums");
  console.SetTrackName(3, "");
  ByteChunk chunk;
  console.SerializeState(&chunk);
  std::int32_t length = 0;
  chunk.Get(&length, 0);
  EXPECT_EQ(length, 5);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(chunk.GetBytes()) + 4, 5), "Drums");

  QUOR restored(IInstanceInfo{});
  EXPECT_EQ(restored.UnserializeState(&chunk, 0), chunk.Size());
  EXPECT_EQ(restored.GetTrackName(0), "Drums");
  EXPECT_EQ(restored.GetTrackName(3), "");
}

TEST(StateChunk, DamagedNamesKeepWhatCannotBeRead) {
  std::vector<std::string> names(9, "n");
  names[2] = std::string("ab\0cd", 5);
  QUOR console(IInstanceInfo{});
  ByteChunk zero = StateWith(names, 94, 0.25);
  EXPECT_EQ(console.UnserializeState(&zero, 0), zero.Size());
  EXPECT_EQ(console.GetTrackName(2), "ab");

  // The first length reaches past the end: nothing changes.
  QUOR untouched(IInstanceInfo{});
  ByteChunk past;
  past.Put(std::int32_t{1000});
  past.PutStr("x");
  EXPECT_EQ(untouched.UnserializeState(&past, 0), -1);
  EXPECT_EQ(untouched.GetTrackName(0), "Track Name");
  EXPECT_EQ(untouched.GetParam(0)->Value(), 0.5);

  // The ninth name is cut short: the first eight are restored, the values are not
  // read, and parameter 0 takes 0 clamped into its range.
  QUOR cut(IInstanceInfo{});
  ByteChunk ninth = StateWith(std::vector<std::string>(8, "eight"), 0, 0.);
  ninth.Put(std::int32_t{50});
  ninth.PutStr("ab");
  EXPECT_EQ(cut.UnserializeState(&ninth, 0), -1);
  EXPECT_EQ(cut.GetTrackName(7), "eight");
  EXPECT_EQ(cut.GetTrackName(8), "Master");
  EXPECT_EQ(cut.GetParam(0)->Value(), 0.);
  EXPECT_EQ(cut.GetParam(3)->Value(), 0.);  // Input 1 kept its default

  // A chunk that ends inside the values: names restored, values up to the cut.
  QUOR shortValues(IInstanceInfo{});
  ByteChunk values = StateWith(std::vector<std::string>(9, "v"), 10, 0.75);
  EXPECT_EQ(shortValues.UnserializeState(&values, 0), -1);
  EXPECT_EQ(shortValues.GetTrackName(8), "v");
  EXPECT_EQ(shortValues.GetParam(9)->Value(), 0.75);
  EXPECT_EQ(shortValues.GetParam(10)->Value(), 0.);  // High Gain 2 from 0
  EXPECT_EQ(shortValues.GetParam(11)->Value(), 0.5);

  // A negative length reads the following bytes again as a length.
  QUOR negative(IInstanceInfo{});
  ByteChunk back;
  back.Put(std::int32_t{-4});
  EXPECT_EQ(negative.UnserializeState(&back, 0), -1);
  EXPECT_EQ(negative.GetTrackName(0), "");
}

TEST(StateChunk, UnnamedIndicesAreSavedAndValuesClampedOnRestore) {
  QUOR console(IInstanceInfo{});
  console.GetParam(5)->Set(1.);
  ByteChunk chunk;
  console.SerializeState(&chunk);
  QUOR restored(IInstanceInfo{});
  restored.UnserializeState(&chunk, 0);
  EXPECT_EQ(restored.GetParam(5)->Value(), 1.);
  ByteChunk outOfRange = StateWith(std::vector<std::string>(9, ""), 94, 100.);
  restored.UnserializeState(&outOfRange, 0);
  EXPECT_EQ(restored.GetParam(3)->Value(), 24.);
  EXPECT_EQ(restored.GetParam(0)->Value(), 1.);
}
