#include "plugin/track_chain_paths.h"

namespace {

struct PathEntry {
  const char* name;
  TrackChainRunner run;
};

// In the order of ChainPath.
constexpr PathEntry kPaths[] = {{"scalar", RunTrackChainScalar},
                                {"SSE2", RunTrackChainSse2},
                                {"AVX2", RunTrackChainAvx2},
                                {"AVX-512", RunTrackChainAvx512}};

const PathEntry& EntryOf(ChainPath path) {
  return kPaths[static_cast<int>(path)];
}

}  // namespace

bool ChainPathSupported(ChainPath path) {
  // Also safe before the library's constructors have run.
  __builtin_cpu_init();
  switch (path) {
    case ChainPath::kScalar:
    case ChainPath::kSse2:
      return true;  // every x86-64 processor
    case ChainPath::kAvx2:
      return __builtin_cpu_supports("avx2");
    case ChainPath::kAvx512:
      return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
             __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512bw");
  }
  return false;
}

TrackChainRunner ChainRunner(ChainPath path) {
  return EntryOf(path).run;
}

const char* ChainPathName(ChainPath path) {
  return EntryOf(path).name;
}
