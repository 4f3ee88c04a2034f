#include "plugin/track_chain_paths.h"

#include <initializer_list>

bool ChainPathSupported(ChainPath path) {
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

ChainPath FastestChainPath() {
  for (const ChainPath path : {ChainPath::kAvx512, ChainPath::kAvx2})
    if (ChainPathSupported(path)) return path;
  return ChainPath::kSse2;
}

TrackChainRunner ChainRunner(ChainPath path) {
  switch (path) {
    case ChainPath::kScalar:
      return RunTrackChainScalar;
    case ChainPath::kSse2:
      return RunTrackChainSse2;
    case ChainPath::kAvx2:
      return RunTrackChainAvx2;
    case ChainPath::kAvx512:
      return RunTrackChainAvx512;
  }
  return RunTrackChainScalar;
}

const char* ChainPathName(ChainPath path) {
  switch (path) {
    case ChainPath::kScalar:
      return "scalar";
    case ChainPath::kSse2:
      return "SSE2";
    case ChainPath::kAvx2:
      return "AVX2";
    case ChainPath::kAvx512:
      return "AVX-512";
  }
  return "";
}
