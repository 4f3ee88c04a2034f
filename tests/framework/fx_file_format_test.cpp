#include "framework/fx_file_format.h"

#include <gtest/gtest.h>

#include "framework/four_char_code.h"

namespace {

FxFile ChunkProgram() {
  FxFile file;
  file.kind = FxKind::kProgramChunk;
  file.fxId = FourCharCode('Q', 'U', 'R', '1');
  file.fxVersion = 10100;
  file.numParams = 94;
  file.programName = "a name longer than twenty-seven characters";
  file.chunk = {'t', 'f', 'f', 'p', 0, 0, 1, 0, 42};
  return file;
}

std::vector<std::uint8_t> Bytes(const FxFile& file) {
  std::vector<std::uint8_t> bytes;
  EXPECT_TRUE(SerializeFxFile(file, &bytes));
  return bytes;
}

std::int32_t BigEndianAt(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
  return static_cast<std::int32_t>((static_cast<std::uint32_t>(bytes[offset]) << 24) |
                                   (static_cast<std::uint32_t>(bytes[offset + 1]) << 16) |
                                   (static_cast<std::uint32_t>(bytes[offset + 2]) << 8) |
                                   bytes[offset + 3]);
}

TEST(FxFileFormat, ChunkProgramLayout) {
  const std::vector<std::uint8_t> bytes = Bytes(ChunkProgram());
  ASSERT_EQ(bytes.size(), 60u + 9u);
  EXPECT_EQ(BigEndianAt(bytes, 0), FourCharCode('C', 'c', 'n', 'K'));
  EXPECT_EQ(BigEndianAt(bytes, 4), 69);  // the whole file
  EXPECT_EQ(BigEndianAt(bytes, 8), FourCharCode('F', 'P', 'C', 'h'));
  EXPECT_EQ(BigEndianAt(bytes, 12), 1);
  EXPECT_EQ(BigEndianAt(bytes, 16), FourCharCode('Q', 'U', 'R', '1'));
  EXPECT_EQ(BigEndianAt(bytes, 20), 10100);
  EXPECT_EQ(BigEndianAt(bytes, 24), 94);
  EXPECT_EQ(bytes[28 + 26], 's');
  EXPECT_EQ(bytes[28 + 27], 0);  // the name keeps its terminator
  EXPECT_EQ(BigEndianAt(bytes, 56), 9);
  EXPECT_EQ(bytes[60], 't');
}

TEST(FxFileFormat, ChunkBankLayout) {
  FxFile file = ChunkProgram();
  file.kind = FxKind::kBankChunk;
  file.numPrograms = 3;
  file.currentProgram = 2;
  const std::vector<std::uint8_t> bytes = Bytes(file);
  ASSERT_EQ(bytes.size(), 160u + 9u);
  EXPECT_EQ(BigEndianAt(bytes, 4), 169);
  EXPECT_EQ(BigEndianAt(bytes, 8), FourCharCode('F', 'B', 'C', 'h'));
  EXPECT_EQ(BigEndianAt(bytes, 12), 2);
  EXPECT_EQ(BigEndianAt(bytes, 24), 3);
  EXPECT_EQ(BigEndianAt(bytes, 28), 2);
  for (std::size_t i = 32; i < 156; ++i)
    EXPECT_EQ(bytes[i], 0) << i;
  EXPECT_EQ(BigEndianAt(bytes, 156), 9);
}

TEST(FxFileFormat, EveryKindRoundTrips) {
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
    SCOPED_TRACE(FxKindName(file.kind));
    const std::vector<std::uint8_t> bytes = Bytes(file);
    const FxParseResult parsed = ParseFxFile(bytes);
    ASSERT_TRUE(parsed) << parsed.error;
    const FxFile& back = parsed.file;
    EXPECT_TRUE(FxByteSizeIsPlausible(back, bytes.size()));
    EXPECT_EQ(back.kind, file.kind);
    EXPECT_EQ(back.formatVersion, IsProgram(file.kind) ? 1 : 2);
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
  EXPECT_EQ(ParseFxFile(Bytes(program)).file.programName, "a name longer than twenty-s");
}

// Every prefix of a valid file is either rejected cleanly or, for the whole
// file, accepted: nothing reads past the end.
TEST(FxFileFormat, TruncatedFilesAreRejected) {
  FxFile paramBank = ChunkProgram();
  paramBank.kind = FxKind::kBankParams;
  paramBank.programs = {{"one", {0.25f, 0.5f}}};
  for (const FxFile& file : {ChunkProgram(), paramBank}) {
    const std::vector<std::uint8_t> bytes = Bytes(file);
    for (std::size_t size = 0; size < bytes.size(); ++size) {
      const std::vector<std::uint8_t> prefix(bytes.begin(),
                                             bytes.begin() + static_cast<std::ptrdiff_t>(size));
      const FxParseResult parsed = ParseFxFile(prefix);
      EXPECT_FALSE(parsed && FxByteSizeIsPlausible(parsed.file, size)) << size;
    }
    EXPECT_TRUE(ParseFxFile(bytes));
  }
}

TEST(FxFileFormat, SizesThatLieAreRejected) {
  std::vector<std::uint8_t> bytes = Bytes(ChunkProgram());
  bytes[7] = 200;  // byteSize
  EXPECT_FALSE(FxByteSizeIsPlausible(ParseFxFile(bytes).file, bytes.size()));
  bytes[59] = 200;  // chunkSize
  EXPECT_NE(ParseFxFile(bytes).error.find("chunkSize says 200"), std::string::npos);

  FxFile params = ChunkProgram();
  params.kind = FxKind::kProgramParams;
  params.params = {0.5f};
  bytes = Bytes(params);
  bytes[24] = 0x7F;  // numParams near 2^31 with four bytes of values
  EXPECT_FALSE(ParseFxFile(bytes));
  bytes[24] = 0xFF;  // negative
  EXPECT_FALSE(ParseFxFile(bytes));

  FxFile bank = params;
  bank.kind = FxKind::kBankParams;
  bytes = Bytes(bank);
  bytes[24] = 0x7F;  // numPrograms
  EXPECT_FALSE(ParseFxFile(bytes));
}

TEST(FxFileFormat, OtherFilesAreNotProgramFiles) {
  EXPECT_FALSE(HasFxMagic(std::vector<std::uint8_t>{'t', 'f', 'f', 'p'}));
  std::vector<std::uint8_t> bytes = Bytes(ChunkProgram());
  bytes[8] = 'X';
  EXPECT_EQ(ParseFxFile(bytes).error, "unknown kind of program or bank file ('XPCh')");
  bytes[0] = 'X';
  EXPECT_EQ(ParseFxFile(bytes).error, "not a program or bank file");
  EXPECT_EQ(FourCharCodeText(FourCharCode('a', '\n', 'b', '\xff')), "a?b?");
}

}  // namespace
