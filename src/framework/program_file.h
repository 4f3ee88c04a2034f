// A program file (.fxp) in chunk form, made and read apart from the plug-in
// instance: what an editor saves of the settings it shows, and reads back,
// on its own thread. The plug-in's own loaders and savers use the same.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "framework/byte_chunk.h"

struct ProgramFileIdentity {
  std::int32_t mUniqueId = 0;
  std::int32_t mVersion = 0;  // decimal: major * 10000 + minor * 100 + revision
  std::int32_t mNParams = 0;
};

// The file for a state (the plug-in's own bytes; the framework's header goes
// before them) under a name, cut to the 27 characters the file holds.
std::vector<std::uint8_t> MakeChunkProgramFile(const ProgramFileIdentity& identity,
                                               const std::string& name, const ByteChunk& state);

struct ChunkProgram {
  std::string mName;
  ByteChunk mChunk;   // from the file's chunk on
  int mStatePos = 0;  // where the plug-in's state starts in it, after any framework header
};

// The name and state of a chunk-form program file of the plug-in with this
// identifier; none for anything else. Untrusted bytes.
std::optional<ChunkProgram> ReadChunkProgramFile(std::span<const std::uint8_t> file,
                                                 std::int32_t uniqueId);
