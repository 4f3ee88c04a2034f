// A state as a user saves it, every value and name off its default: the
// program and bank chunks a host would hand back to QUOR.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plugin/quor.h"

// The program or bank chunk QUOR hands a host.
inline std::vector<std::uint8_t> SavedState(QUOR& console, bool isPreset) {
  void* data = nullptr;
  const VstIntPtr size = IEffectVST2::VSTDispatcher(console.GetAEffect(), effGetChunk,
                                                    isPreset ? 1 : 0, 0, &data, 0.f);
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  return {bytes, bytes + size};
}

struct SavedChunks {
  std::vector<std::uint8_t> mProgram, mBank;
};

inline const SavedChunks& SavedState() {
  static const SavedChunks chunks = [] {
    QUOR console(IInstanceInfo{});
    for (int i = 0; i < QUOR::kNumParams; ++i)
      IEffectVST2::VSTSetParameter(console.GetAEffect(), i, static_cast<float>(i % 7) / 6.f);
    for (int n = 0; n < QUOR::kNumNames; ++n)
      console.SetTrackName(n, "Track " + std::to_string(n * 37));
    return SavedChunks{SavedState(console, true), SavedState(console, false)};
  }();
  return chunks;
}
