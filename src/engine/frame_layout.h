#pragma once

#include "engine/lanes.h"

// Samples of many channels move between the host's layout, one buffer per
// channel, and the engine's, one vector of channels per frame, a square of
// W channels by W frames at a time, transposed in registers.

// Lanes 0, 1, ... of a and b interleaved (a0 b0 a1 b1 ...), from the first
// half of each, or from the second.
template <class V>
[[gnu::always_inline]] inline V InterleaveLow(V a, V b) {
  if constexpr (kLaneCount<V> == 2) return __builtin_shufflevector(a, b, 0, 2);
  if constexpr (kLaneCount<V> == 4) return __builtin_shufflevector(a, b, 0, 4, 1, 5);
  if constexpr (kLaneCount<V> == 8) return __builtin_shufflevector(a, b, 0, 8, 1, 9, 2, 10, 3, 11);
}
template <class V>
[[gnu::always_inline]] inline V InterleaveHigh(V a, V b) {
  if constexpr (kLaneCount<V> == 2) return __builtin_shufflevector(a, b, 1, 3);
  if constexpr (kLaneCount<V> == 4) return __builtin_shufflevector(a, b, 2, 6, 3, 7);
  if constexpr (kLaneCount<V> == 8)
    return __builtin_shufflevector(a, b, 4, 12, 5, 13, 6, 14, 7, 15);
}

// Lanes 0, 2, 4, ... of a, then of b; and lanes 1, 3, 5, ... of a, then of b.
template <class V>
[[gnu::always_inline]] inline V EvenLanes(V a, V b) {
  if constexpr (kLaneCount<V> == 2) return __builtin_shufflevector(a, b, 0, 2);
  if constexpr (kLaneCount<V> == 4) return __builtin_shufflevector(a, b, 0, 2, 4, 6);
  if constexpr (kLaneCount<V> == 8) return __builtin_shufflevector(a, b, 0, 2, 4, 6, 8, 10, 12, 14);
}
template <class V>
[[gnu::always_inline]] inline V OddLanes(V a, V b) {
  if constexpr (kLaneCount<V> == 2) return __builtin_shufflevector(a, b, 1, 3);
  if constexpr (kLaneCount<V> == 4) return __builtin_shufflevector(a, b, 1, 3, 5, 7);
  if constexpr (kLaneCount<V> == 8) return __builtin_shufflevector(a, b, 1, 3, 5, 7, 9, 11, 13, 15);
}

// Transposes a square of lanes: lane l of row r becomes lane r of row l.
// Each round interleaves row i with row i + W/2; log2(W) rounds bring every
// lane where it belongs.
template <class V>
[[gnu::always_inline]] inline void TransposeSquare(V (&rows)[kLaneCount<V>]) {
  constexpr int kWidth = kLaneCount<V>;
  if constexpr (kWidth > 1) {
    for (int round = 1; round < kWidth; round *= 2) {
      V next[kWidth];
#pragma GCC unroll 8
      for (int i = 0; i < kWidth / 2; ++i) {
        next[2 * i] = InterleaveLow(rows[i], rows[i + kWidth / 2]);
        next[2 * i + 1] = InterleaveHigh(rows[i], rows[i + kWidth / 2]);
      }
#pragma GCC unroll 8
      for (int i = 0; i < kWidth; ++i)
        rows[i] = next[i];
    }
  }
}

// Two layouts of the samples of NCh channels: one buffer per channel (from
// `offset` on), or one buffer of frames (channel c of frame f at f * NCh + c).
// Row(f, lane, j) is where W consecutive samples start: of channel lane + j
// from frame f in the first, of frame f + j from channel `lane` in the second.
struct ChannelBuffers {
  double* const* channels;
  int offset;
  [[gnu::always_inline]] double* Row(int f, int lane, int j) const {
    return channels[lane + j] + offset + f;
  }
  [[gnu::always_inline]] double& At(int f, int c) const { return channels[c][offset + f]; }
};
template <int NCh>
struct FrameBuffer {
  double* samples;
  [[gnu::always_inline]] double* Row(int f, int lane, int j) const {
    return samples + (f + j) * NCh + lane;
  }
  [[gnu::always_inline]] double& At(int f, int c) const { return samples[f * NCh + c]; }
};

// Copies `frames` frames of NCh channels from one layout to the other, in
// squares of W channels by W frames, each transposed on its way.
template <class V, int NCh, class From, class To>
[[gnu::always_inline]] inline void CopyTransposed(const From& from, const To& to, int frames) {
  constexpr int kWidth = kLaneCount<V>;
  int f = 0;
  for (; f + kWidth <= frames; f += kWidth) {
#pragma GCC unroll 16
    for (int lane = 0; lane < NCh; lane += kWidth) {
      V rows[kWidth];
#pragma GCC unroll 8
      for (int j = 0; j < kWidth; ++j)
        rows[j] = LoadLanes<V>(from.Row(f, lane, j));
      TransposeSquare(rows);
#pragma GCC unroll 8
      for (int j = 0; j < kWidth; ++j)
        StoreLanes(to.Row(f, lane, j), rows[j]);
    }
  }
  for (; f < frames; ++f)
    for (int c = 0; c < NCh; ++c)
      to.At(f, c) = from.At(f, c);
}
