#include "quor-host/fx_file.h"

#include <gtest/gtest.h>

#include "quor-host/host_error.h"

namespace {

FxFile ChunkProgram() {
  FxFile file;
  file.kind = FxKind::kProgramChunk;
  file.fxId = FourCC('Q', 'U', 'R', '1');
  file.fxVersion = 10100;
  file.numParams = 94;
  file.programName = "a name longer than twenty-seven characters";
  file.chunk = {'t', 'f', 'f', 'p', 0, 0, 1, 0, 42};
  return file;
}

std::int32_t BigEndianAt(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
  return static_cast<std::int32_t>((static_cast<std::uint32_t>(bytes[offset]) << 24) |
                                   (static_cast<std::uint32_t>(bytes[offset + 1]) << 16) |
                                   (static_cast<std::uint32_t>(bytes[offset + 2]) << 8) |
                                   bytes[offset + 3]);
}

TEST(FxFile, ChunkProgramLayout) {
  const std::vector<std::uint8_t> bytes = SerializeFxFile(ChunkProgram());
  ASSERT_EQ(bytes.size(), 60u + 9u);
  EXPECT_EQ(BigEndianAt(bytes, 0), FourCC('C', 'c', 'n', 'K'));
  EXPECT_EQ(BigEndianAt(bytes, 4), 69);  // the whole file
  EXPECT_EQ(BigEndianAt(bytes, 8), FourCC('F', 'P', 'C', 'h'));
  EXPECT_EQ(BigEndianAt(bytes, 12), 1);
  EXPECT_EQ(BigEndianAt(bytes, 16), FourCC('Q', 'U', 'R', '1'));
  EXPECT_EQ(BigEndianAt(bytes, 20), 10100);
  EXPECT_EQ(BigEndianAt(bytes, 24), 94);
  EXPECT_EQ(bytes[28 + 26], 's');
  EXPECT_EQ(bytes[28 + 27], 0);  // the name keeps its terminator
  EXPECT_EQ(BigEndianAt(bytes, 56), 9);
  EXPECT_EQ(bytes[60], 't');
}

TEST(FxFile, ChunkBankLayout) {
  FxFile file = ChunkProgram();
  file.kind = FxKind::kBankChunk;
  file.numPrograms = 3;
  file.currentProgram = 2;
  const std::vector<std::uint8_t> bytes = SerializeFxFile(file);
  ASSERT_EQ(bytes.size(), 160u + 9u);
  EXPECT_EQ(BigEndianAt(bytes, 4), 169);
  EXPECT_EQ(BigEndianAt(bytes, 8), FourCC('F', 'B', 'C', 'h'));
  EXPECT_EQ(BigEndianAt(bytes, 12), 2);
  EXPECT_EQ(BigEndianAt(bytes, 24), 3);
  EXPECT_EQ(BigEndianAt(bytes, 28), 2);
  for (std::size_t i = 32; i < 156; ++i)
    EXPECT_EQ(bytes[i], 0) << i;
  EXPECT_EQ(BigEndianAt(bytes, 156), 9);
}

TEST(FxFile, EveryKindRoundTrips) {
  FxFile program = ChunkProgram();
  FxFile params = program;
  params.kind = FxKind::kProgramParams;
  params.chunk.clear();
  params.params = {0.0f, 0.5f, 1.0f};
  FxFile bank = program;
  bank.kind = FxKind::kBankChunk;
  bank.numPrograms = 1;
  FxFile paramBank = program;
  paramBank.kind = FxKind::kBankParams;
  paramBank.chunk.clear();
  paramBank.programs = {{"one", {0.25f}}, {"two", {0.75f}}};
  for (const FxFile& file : {program, params, bank, paramBank}) {
    SCOPED_TRACE(KindName(file.kind));
    const FxFile back = ParseFxFile(SerializeFxFile(file));
    EXPECT_EQ(back.kind, file.kind);
    EXPECT_EQ(back.fxId, file.fxId);
    EXPECT_EQ(back.fxVersion, file.fxVersion);
    EXPECT_EQ(back.chunk, file.chunk);
    EXPECT_EQ(back.params, file.params);
    ASSERT_EQ(back.programs.size(), file.programs.size());
    for (std::size_t i = 0; i < file.programs.size(); ++i) {
      EXPECT_EQ(back.programs[i].name, file.programs[i].name);
      EXPECT_EQ(back.programs[i].params, file.programs[i].params);
    }
  }
  EXPECT_EQ(ParseFxFile(SerializeFxFile(program)).programName, "a name longer than twenty-s");
}

// Every prefix of a valid file is either rejected cleanly or, for the whole
// file, accepted: nothing reads past the end.
TEST(FxFile, TruncatedFilesAreRejected) {
  FxFile paramBank = ChunkProgram();
  paramBank.kind = FxKind::kBankParams;
  paramBank.programs = {{"one", {0.25f, 0.5f}}};
  for (const FxFile& file : {ChunkProgram(), paramBank}) {
    const std::vector<std::uint8_t> bytes = SerializeFxFile(file);
    for (std::size_t size = 0; size < bytes.size(); ++size) {
      const std::vector<std::uint8_t> prefix(bytes.begin(),
                                             bytes.begin() + static_cast<std::ptrdiff_t>(size));
      EXPECT_THROW(ParseFxFile(prefix), HostError) << size;
    }
    EXPECT_NO_THROW(ParseFxFile(bytes));
  }
}

TEST(FxFile, SizesThatLieAreRejected) {
  std::vector<std::uint8_t> bytes = SerializeFxFile(ChunkProgram());
  bytes[7] = 200;  // byteSize
  EXPECT_THROW(ParseFxFile(bytes), HostError);

  FxFile params = ChunkProgram();
  params.kind = FxKind::kProgramParams;
  params.params = {0.5f};
  bytes = SerializeFxFile(params);
  bytes[24] = 0x7F;  // numParams near 2^31 with four bytes of values
  EXPECT_THROW(ParseFxFile(bytes), HostError);
  bytes[24] = 0xFF;  // negative
  EXPECT_THROW(ParseFxFile(bytes), HostError);

  FxFile bank = params;
  bank.kind = FxKind::kBankParams;
  bytes = SerializeFxFile(bank);
  bytes[24] = 0x7F;  // numPrograms
  EXPECT_THROW(ParseFxFile(bytes), HostError);
}

TEST(FxFile, OtherFilesAreNotProgramFiles) {
  EXPECT_FALSE(HasFxMagic(std::vector<std::uint8_t>{'t', 'f', 'f', 'p'}));
  std::vector<std::uint8_t> bytes = SerializeFxFile(ChunkProgram());
  bytes[8] = 'X';
  EXPECT_THROW(ParseFxFile(bytes), HostError);
}

}  // namespace
