// Program (fxp) and bank (fxb) files: big-endian records starting with "CcnK",
// holding either an opaque chunk or one normalised float per parameter.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "vst2/vst2_abi.h"

enum class FxKind { kProgramChunk, kProgramParams, kBankChunk, kBankParams };

struct FxProgram {
  std::string name;  // at most 27 characters survive a file
  std::vector<float> params;
};

struct FxFile {
  FxKind kind = FxKind::kProgramChunk;
  VstInt32 fxId = 0;
  VstInt32 fxVersion = 0;
  VstInt32 numParams = 0;    // programs
  VstInt32 numPrograms = 0;  // banks
  VstInt32 currentProgram = 0;
  std::string programName;          // programs
  std::vector<std::uint8_t> chunk;  // chunk forms
  std::vector<float> params;        // program, parameter form
  std::vector<FxProgram> programs;  // bank, parameter form
};

constexpr std::size_t kProgramHeaderSize = 56;
constexpr std::size_t kBankHeaderSize = 156;
constexpr std::size_t kProgramNameSize = 28;

bool IsProgram(FxKind kind);
bool IsChunkForm(FxKind kind);
const char* KindName(FxKind kind);

// True when the bytes start with the "CcnK" magic.
bool HasFxMagic(std::span<const std::uint8_t> bytes);

// Throws HostError for files shorter than their headers or whose sizes lie.
FxFile ParseFxFile(std::span<const std::uint8_t> bytes);
std::vector<std::uint8_t> SerializeFxFile(const FxFile& file);

// Whole-file I/O with a clear error; reads refuse files above a sane size.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes);
