// Program (fxp) and bank (fxb) files as bytes: big-endian records starting
// with "CcnK", holding either an opaque chunk or one normalised float per
// parameter. The parser takes untrusted bytes, never reads outside them and
// reports a failure as its result; nothing here throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

enum class FxKind { kProgramChunk, kProgramParams, kBankChunk, kBankParams };

struct FxProgram {
  std::string name;  // at most 27 bytes survive a file
  std::vector<float> params;
};

struct FxFile {
  FxKind kind = FxKind::kProgramChunk;
  std::int32_t byteSize = 0;       // as read; written from the contents
  std::int32_t formatVersion = 0;  // as read; written as 1 (programs) or 2 (banks)
  std::int32_t fxId = 0;
  std::int32_t fxVersion = 0;
  std::int32_t numParams = 0;    // programs, and a parameter bank's programs
  std::int32_t numPrograms = 0;  // banks
  std::int32_t currentProgram = 0;
  std::string programName;          // programs
  std::vector<std::uint8_t> chunk;  // chunk forms
  std::vector<float> params;        // program, parameter form
  std::vector<FxProgram> programs;  // bank, parameter form
};

// A parsed file, or why the bytes are none.
struct FxParseResult {
  FxFile file;
  std::string error;  // empty when the bytes parsed
  explicit operator bool() const { return error.empty(); }
};

constexpr std::size_t kFxProgramHeaderSize = 56;  // up to and including the name
constexpr std::size_t kFxBankHeaderSize = 156;    // up to and including the reserved bytes
constexpr std::size_t kFxProgramNameSize = 28;

bool IsProgram(FxKind kind);
bool IsChunkForm(FxKind kind);
const char* FxKindName(FxKind kind);

// True when the bytes start with the "CcnK" magic.
bool HasFxMagic(std::span<const std::uint8_t> bytes);

// Every count and size must fit the bytes: a chunk is exactly as long as its
// size says, a parameter form holds every value its count promises, and a
// parameter bank every program. The header's byteSize is only recorded.
FxParseResult ParseFxFile(std::span<const std::uint8_t> bytes);

// Writers disagree on whether byteSize counts the 8 bytes before it, and the
// parameter forms often leave it 0; true unless it says something else.
bool FxByteSizeIsPlausible(const FxFile& file, std::size_t fileSize);

// The file's bytes; false, with *bytes empty, when a size would not fit its
// 32-bit field.
bool SerializeFxFile(const FxFile& file, std::vector<std::uint8_t>* bytes);
