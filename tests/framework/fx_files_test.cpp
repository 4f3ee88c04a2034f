#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "tests/framework/test_effect.h"

namespace {

std::uint32_t ReadU32(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
  return (std::uint32_t{bytes[offset]} << 24) | (std::uint32_t{bytes[offset + 1]} << 16) |
         (std::uint32_t{bytes[offset + 2]} << 8) | bytes[offset + 3];
}

void WriteU32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i)
    bytes[offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

class FxEffect : public TestEffect {
 public:
  explicit FxEffect(bool chunks, int nPresets = 1) : TestEffect(3, "2-2", nPresets, chunks) {
    for (int i = 0; i < 3; ++i)
      GetParam(i)->InitDouble("p", 0., 0., 1., 0.01);
    MakeDefaultPreset("start", nPresets);
  }
};

}  // namespace

TEST(FxFiles, ProgramRoundTripsInBothForms) {
  for (const bool chunks : {true, false}) {
    FxEffect source(chunks);
    source.GetParam(1)->Set(0.625);
    std::vector<std::uint8_t> file;
    ASSERT_TRUE(source.MakeProgramFXP(&file));
    EXPECT_EQ(ReadU32(file, 0), 0x43636E4Bu);  // "CcnK"
    EXPECT_EQ(ReadU32(file, 8), chunks ? 0x46504368u : 0x4678436Bu);
    if (chunks) {
      EXPECT_EQ(ReadU32(file, 4), file.size());
      EXPECT_EQ(ReadU32(file, 56), file.size() - 60);
    }
    FxEffect target(chunks);
    ASSERT_TRUE(target.LoadProgramFXP(file));
    EXPECT_EQ(target.GetParam(1)->Value(), 0.625);
    EXPECT_EQ(target.ProgramChanges(), 1);
  }
}

TEST(FxFiles, BankRoundTripsInBothForms) {
  for (const bool chunks : {true, false}) {
    FxEffect source(chunks, 3);
    source.GetParam(0)->Set(0.5);
    source.ModifyCurrentPreset("half");
    std::vector<std::uint8_t> file;
    ASSERT_TRUE(source.MakeBankFXB(&file));
    EXPECT_EQ(ReadU32(file, 24), 3u);
    if (chunks) {
      EXPECT_EQ(ReadU32(file, 4), file.size());
    }
    FxEffect target(chunks, 3);
    ASSERT_TRUE(target.LoadBankFXB(file));
    EXPECT_STREQ(target.GetPresetName(0), "half");
    EXPECT_EQ(target.GetParam(0)->Value(), 0.5);
  }
}

TEST(FxFiles, FilesOnDiskRoundTrip) {
  FxEffect source(true);
  source.GetParam(2)->Set(0.25);
  const std::string fxp = ::testing::TempDir() + "p.fxp", fxb = ::testing::TempDir() + "b.fxb";
  ASSERT_TRUE(source.SaveProgramAsFXP(fxp));
  ASSERT_TRUE(source.SaveBankAsFXB(fxb));
  EXPECT_FALSE(source.SaveProgramAsFXP(""));
  EXPECT_FALSE(source.SaveBankAsFXB("/nonexistent/dir/b.fxb"));
  FxEffect program(true), bank(true);
  EXPECT_TRUE(program.LoadProgramFromFXP(fxp));
  EXPECT_TRUE(bank.LoadBankFromFXB(fxb));
  EXPECT_EQ(program.GetParam(2)->Value(), 0.25);
  EXPECT_FALSE(program.LoadProgramFromFXP("/nonexistent.fxp"));
}

TEST(FxFiles, RejectsForeignAndMalformedFiles) {
  FxEffect source(true);
  std::vector<std::uint8_t> file;
  ASSERT_TRUE(source.MakeProgramFXP(&file));
  FxEffect target(true);
  target.GetParam(0)->Set(0.9);

  std::vector<std::uint8_t> foreign = file;
  WriteU32(foreign, 16, 0x12345678);
  EXPECT_FALSE(target.LoadProgramFXP(foreign));
  std::vector<std::uint8_t> lying = file;
  WriteU32(lying, 56, static_cast<std::uint32_t>(file.size()));  // chunk reaching past the end
  EXPECT_FALSE(target.LoadProgramFXP(lying));
  std::vector<std::uint8_t> truncated(file.begin(), file.begin() + 40);
  EXPECT_FALSE(target.LoadProgramFXP(truncated));
  EXPECT_EQ(target.GetParam(0)->Value(), 0.9);

  // A chunk without the framework header is read from offset 60.
  std::vector<std::uint8_t> bare(file.begin(), file.begin() + 60);
  bare.insert(bare.end(), file.begin() + 68, file.end());
  WriteU32(bare, 56, static_cast<std::uint32_t>(bare.size() - 60));
  EXPECT_TRUE(target.LoadProgramFXP(bare));
  EXPECT_EQ(target.GetParam(0)->Value(), 0.);

  FxEffect paramsOnly(false);
  EXPECT_FALSE(paramsOnly.LoadProgramFXP(file));  // chunk form on a plug-in without chunks
}

TEST(FxFiles, RandomAndMutatedFilesNeverCrash) {
  FxEffect source(true, 2);
  std::vector<std::uint8_t> program, bank;
  ASSERT_TRUE(source.MakeProgramFXP(&program));
  ASSERT_TRUE(source.MakeBankFXB(&bank));
  std::mt19937 random(1234);
  FxEffect chunked(true, 2), plain(false, 2);
  for (int round = 0; round < 20000; ++round) {
    std::vector<std::uint8_t> file = (round % 2) ? program : bank;
    const int mode = round % 4;
    if (mode == 0) {
      file.resize(random() % (file.size() + 1));
    } else if (mode == 1) {
      for (int k = 0; k < 4; ++k)
        file[random() % file.size()] = static_cast<std::uint8_t>(random());
    } else {
      file.resize(random() % 400);
      for (auto& byte : file)
        byte = static_cast<std::uint8_t>(random());
      if (file.size() >= 20) {
        WriteU32(file, 0, 0x43636E4B);
        WriteU32(file, 16, 0x54455354);
        WriteU32(file, 8, round % 3 ? 0x4678426B : 0x4678436B);
      }
    }
    chunked.LoadProgramFXP(file);
    chunked.LoadBankFXB(file);
    plain.LoadProgramFXP(file);
    plain.LoadBankFXB(file);
  }
}

TEST(FxFiles, FilesThatFailToLoadChangeNothing) {
  FxEffect chunkSource(true, 2), paramSource(false, 2);
  for (FxEffect* source : {&chunkSource, &paramSource}) {
    source->GetParam(0)->Set(0.5);
    source->ModifyCurrentPreset("source");
  }
  std::vector<std::uint8_t> program, bank, paramBank;
  ASSERT_TRUE(chunkSource.MakeProgramFXP(&program));
  ASSERT_TRUE(chunkSource.MakeBankFXB(&bank));
  ASSERT_TRUE(paramSource.MakeBankFXB(&paramBank));
  // Each state cut inside its last value, the chunk sizes telling the truth.
  program.resize(program.size() - 4);
  WriteU32(program, 56, static_cast<std::uint32_t>(program.size() - 60));
  bank.resize(bank.size() - 4);
  WriteU32(bank, 156, static_cast<std::uint32_t>(bank.size() - 160));
  // The second program of the parameter-form bank is no program.
  WriteU32(paramBank, 156 + 68 + 8, 0x58585858);

  for (const bool chunks : {true, false}) {
    FxEffect target(chunks, 2);
    for (int i = 0; i < 3; ++i)
      target.GetParam(i)->Set(0.1 * (i + 1));
    const ByteChunk slot = *target.GetPresetChunk(0);
    EXPECT_FALSE(target.LoadProgramFXP(program));
    EXPECT_FALSE(target.LoadBankFXB(chunks ? bank : paramBank));
    for (int i = 0; i < 3; ++i)
      EXPECT_EQ(target.GetParam(i)->Value(), 0.1 * (i + 1));
    EXPECT_STREQ(target.GetPresetName(0), "start");
    EXPECT_EQ(*target.GetPresetChunk(0), slot);
    EXPECT_EQ(target.ProgramChanges(), 0);
  }
}
