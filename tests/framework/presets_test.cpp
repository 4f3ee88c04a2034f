#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "framework/base64.h"
#include "tests/framework/test_effect.h"

TEST(Presets, DefaultPresetFillsEmptySlots) {
  TestEffect effect(2, "2-2", 3);
  effect.MakeDefaultPreset("-", 1);
  effect.EnsureDefaultPreset();
  EXPECT_STREQ(effect.GetPresetName(0), "-");
  EXPECT_STREQ(effect.GetPresetName(2), "Empty");
  EXPECT_STREQ(effect.GetPresetName(3), "");
}

TEST(Presets, RestoringAnEmptySlotNamesItAfterTheUserPresets) {
  TestEffect effect(2, "2-2", 3);
  effect.MakeDefaultPreset("user preset 1", 1);
  effect.MakeDefaultPreset("user preset 2", 1);
  EXPECT_TRUE(effect.RestorePreset(2));
  EXPECT_STREQ(effect.GetPresetName(2), "user preset 3");
  EXPECT_EQ(effect.GetCurrentPresetIdx(), 2);
  EXPECT_FALSE(effect.RestorePreset(3));
  EXPECT_FALSE(effect.RestorePreset(""));
  EXPECT_TRUE(effect.RestorePreset("user preset 1"));
  EXPECT_EQ(effect.GetCurrentPresetIdx(), 0);
}

TEST(Presets, ModifyKeepsNameWhenEmpty) {
  TestEffect effect(1, "2-2", 1);
  effect.GetParam(0)->InitDouble("a", 0., 0., 1., 0.01);
  effect.MakeDefaultPreset("kept", 1);
  effect.GetParam(0)->Set(0.5);
  effect.ModifyCurrentPreset("");
  EXPECT_STREQ(effect.GetPresetName(0), "kept");
  double stored = 0.;
  effect.GetPresetChunk(0)->Get(&stored, 0);
  EXPECT_EQ(stored, 0.5);
}

TEST(Presets, ValueAndNamedPresets) {
  TestEffect effect(3, "2-2", 2);
  effect.GetParam(2)->Set(1.);
  const std::array<double, 3> values{0.25, 1., 0.};
  effect.MakePreset("values", values);
  const std::array<IEffectBase::NamedParamValue, 1> named{{{1, 0.5}}};
  effect.MakePresetFromNamedParams("named", named);
  double v = 0.;
  effect.GetPresetChunk(1)->Get(&v, 8);
  EXPECT_EQ(v, 0.5);
  effect.GetPresetChunk(1)->Get(&v, 16);
  EXPECT_EQ(v, 1.);  // untouched entries take the current value
}

TEST(Presets, BlobDecodesIntoAZeroFilledBuffer) {
  TestEffect effect(1, "2-2", 2);
  effect.MakePresetFromBlob("blob", "AAEC", 4);
  const ByteChunk* chunk = effect.GetPresetChunk(0);
  ASSERT_EQ(chunk->Size(), 4);
  EXPECT_EQ(chunk->GetBytes()[1], 1);
  EXPECT_EQ(chunk->GetBytes()[2], 2);
  EXPECT_EQ(chunk->GetBytes()[3], 0);
  // Text longer than the buffer: decoding stops at the buffer's end.
  effect.MakePresetFromBlob("short", "AAECAwQFBgcICQ==", 2);
  EXPECT_EQ(effect.GetPresetChunk(1)->Size(), 2);
}

TEST(Presets, Base64RoundTrip) {
  const std::array<std::uint8_t, 5> bytes{0, 1, 2, 250, 255};
  const std::string text = EncodeBase64(bytes);
  EXPECT_EQ(text, "AAEC+v8=");
  std::array<std::uint8_t, 5> decoded{};
  EXPECT_EQ(DecodeBase64(text.c_str(), decoded), 5u);
  EXPECT_EQ(decoded, bytes);
}

TEST(Presets, DumpsWriteSourceText) {
  TestEffect effect(2, "2-2", 1);
  effect.GetParam(0)->InitBool("b", true);
  effect.GetParam(1)->InitDouble("d", 0.5, 0., 1., 0.01);
  effect.MakeDefaultPreset("p", 1);
  const std::string path = ::testing::TempDir() + "dump.txt";
  const char* const names[] = {"kB", "kD"};
  ASSERT_TRUE(effect.DumpPresetSrcCode(path.c_str(), names));
  std::stringstream text;
  text << std::ifstream(path).rdbuf();
  EXPECT_EQ(text.str(), "MakePresetFromNamedParams(\"name\", 2,\n  kB, true,\n  kD, 0.500000);\n");
  ASSERT_TRUE(effect.DumpBankBlob(path.c_str()));
  std::stringstream bank;
  bank << std::ifstream(path).rdbuf();
  EXPECT_EQ(bank.str().rfind("MakePresetFromBlob(\"p\", \"", 0), 0u);
  EXPECT_NE(bank.str().find("\", 16);\n"), std::string::npos);
  std::remove(path.c_str());
  EXPECT_FALSE(effect.DumpPresetBlob("/nonexistent/dir/x.txt"));
}
