#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "framework/byte_chunk.h"

TEST(ByteChunk, ReadsStopAtTheEnd) {
  ByteChunk chunk;
  EXPECT_EQ(chunk.GetBytes(), nullptr);
  EXPECT_EQ(chunk.Put(std::int32_t{7}), 4);
  EXPECT_EQ(chunk.Put(2.5), 12);
  std::int32_t i = 0;
  double d = 0.;
  EXPECT_EQ(chunk.Get(&i, 0), 4);
  EXPECT_EQ(chunk.Get(&d, 4), 12);
  EXPECT_EQ(i, 7);
  EXPECT_EQ(d, 2.5);
  d = -1.;
  EXPECT_EQ(chunk.Get(&d, 5), -1);
  EXPECT_EQ(chunk.Get(&d, -1), -1);
  EXPECT_EQ(d, -1.);  // untouched on failure
  bool flag = true;
  EXPECT_EQ(chunk.GetBool(&flag, 12), -1);
  EXPECT_TRUE(flag);
}

TEST(ByteChunk, StringsCarryLengthAndNoTerminator) {
  ByteChunk chunk;
  chunk.PutStr("abc");
  chunk.PutStr("");
  EXPECT_EQ(chunk.Size(), 4 + 3 + 4);
  std::string text = "old";
  EXPECT_EQ(chunk.GetStr(&text, 0), 7);
  EXPECT_EQ(text, "abc");
  EXPECT_EQ(chunk.GetStr(&text, 7), 11);
  EXPECT_EQ(text, "");
}

TEST(ByteChunk, StringLengthsThatLieAreHandled) {
  const auto chunkWithLength = [](std::int32_t length, const std::string& bytes) {
    ByteChunk chunk;
    chunk.Put(length);
    chunk.PutBytes(bytes.data(), bytes.size());
    return chunk;
  };
  std::string text = "kept";
  // Past the end: unchanged, and the position points past the end.
  ByteChunk tooLong = chunkWithLength(10, "abc");
  EXPECT_EQ(tooLong.GetStr(&text, 0), 14);
  EXPECT_EQ(text, "kept");
  // A huge length must not wrap around to a valid position.
  ByteChunk huge = chunkWithLength(0x7FFFFFFF, "abc");
  EXPECT_GT(huge.GetStr(&text, 0), huge.Size());
  EXPECT_EQ(text, "kept");
  // Negative: empty string, and the position moves back.
  ByteChunk negative = chunkWithLength(-4, "abcd");
  EXPECT_EQ(negative.GetStr(&text, 0), 0);
  EXPECT_EQ(text, "");
  // A zero byte inside the stated length ends the text.
  ByteChunk zero = chunkWithLength(4, std::string("ab\0d", 4));
  EXPECT_EQ(zero.GetStr(&text, 0), 8);
  EXPECT_EQ(text, "ab");
}

TEST(ByteChunk, ResizeZeroFillsAndPutChunkAppends) {
  ByteChunk a;
  a.PutBool(true);
  a.Resize(3);
  EXPECT_EQ(a.GetBytes()[1], 0);
  ByteChunk b;
  b.PutBool(false);
  EXPECT_EQ(b.PutChunk(a), 4);
  EXPECT_EQ(b.GetBytes()[1], 1);
}
