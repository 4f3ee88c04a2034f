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
  QUOR console;
  ByteChunk chunk;
  ASSERT_TRUE(console.SerializeState(&chunk));
  EXPECT_EQ(chunk.Size(), 874);
  EXPECT_STREQ(console.GetPresetName(0), "Console Defaults");
  const std::vector<double>& first = console.Descriptor()->mPresets.front().mValues;
  for (int i = 0; i < console.NParams(); ++i)
    EXPECT_EQ(first[static_cast<std::size_t>(i)], console.GetParam(i)->Value()) << i;
  EXPECT_EQ(console.GetTrackName(8), "Master");
}

TEST(StateChunk, NamesRoundTripExactly) {
  QUOR console;
  console.SetTrackName(0, "Drums");
  console.SetTrackName(3, "");
  ByteChunk chunk;
  console.SerializeState(&chunk);
  std::int32_t length = 0;
  chunk.Get(&length, 0);
  EXPECT_EQ(length, 5);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(chunk.GetBytes()) + 4, 5), "Drums");

  QUOR restored;
  EXPECT_EQ(restored.UnserializeState(&chunk, 0), chunk.Size());
  EXPECT_EQ(restored.GetTrackName(0), "Drums");
  EXPECT_EQ(restored.GetTrackName(3), "");
}

TEST(StateChunk, DamagedStatesChangeNothing) {
  std::vector<std::string> names(9, "n");
  names[2] = std::string("ab\0cd", 5);
  QUOR console;
  ByteChunk zero = StateWith(names, 94, 0.25);
  EXPECT_EQ(console.UnserializeState(&zero, 0), zero.Size());
  EXPECT_EQ(console.GetTrackName(2), "ab");

  // Lengths past the end, a ninth name cut short, values cut short, a negative
  // length read again as a length: each fails whole and leaves everything as it was.
  ByteChunk past;
  past.Put(std::int32_t{1000});
  past.PutStr("x");
  ByteChunk ninth = StateWith(std::vector<std::string>(8, "eight"), 0, 0.);
  ninth.Put(std::int32_t{50});
  ninth.PutStr("ab");
  ByteChunk values = StateWith(std::vector<std::string>(9, "v"), 10, 0.75);
  ByteChunk back;
  back.Put(std::int32_t{-4});
  ByteChunk fresh;
  QUOR().SerializeState(&fresh);
  for (const ByteChunk* damaged : {&past, &ninth, &values, &back}) {
    QUOR untouched;
    EXPECT_EQ(untouched.UnserializeState(damaged, 0), -1);
    ByteChunk state;
    untouched.SerializeState(&state);
    EXPECT_EQ(state, fresh);  // still the default state
  }
}

TEST(StateChunk, UnnamedIndicesAreSavedAndValuesClampedOnRestore) {
  QUOR console;
  console.GetParam(5)->Set(1.);
  ByteChunk chunk;
  console.SerializeState(&chunk);
  QUOR restored;
  restored.UnserializeState(&chunk, 0);
  EXPECT_EQ(restored.GetParam(5)->Value(), 1.);
  ByteChunk outOfRange = StateWith(std::vector<std::string>(9, ""), 94, 100.);
  restored.UnserializeState(&outOfRange, 0);
  EXPECT_EQ(restored.GetParam(3)->Value(), 24.);
  EXPECT_EQ(restored.GetParam(0)->Value(), 1.);
}
