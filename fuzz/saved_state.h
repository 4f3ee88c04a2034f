// A state as a user saves it, every value and name off its default: the
// program and bank chunks a host would hand back to QUOR.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plugin/quor.h"

// The program or bank chunk QUOR hands a host.
inline std::vector<std::uint8_t> SavedState(QUOR& console, bool isPreset) {
  ByteChunk chunk;
  if (!console.SaveState(&chunk, !isPreset)) return {};
  return {chunk.GetBytes(), chunk.GetBytes() + chunk.Size()};
}

struct SavedChunks {
  std::vector<std::uint8_t> mProgram, mBank;
};

inline const SavedChunks& SavedState() {
  static const SavedChunks chunks = [] {
    QUOR console;
    for (int i = 0; i < QUOR::kNumParams; ++i)
      console.SetParameterFromHost(i, static_cast<double>(static_cast<float>(i % 7) / 6.f));
    for (int n = 0; n < QUOR::kNumNames; ++n)
      console.SetTrackName(n, "Track " + std::to_string(n * 37));
    return SavedChunks{SavedState(console, true), SavedState(console, false)};
  }();
  return chunks;
}
