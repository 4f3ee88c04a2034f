// The track chain built for each instruction set, and the choice between them.
#pragma once

#include <array>

struct TrackChainState;
struct TrackChainBlock;

// Every path gives the same bits; they differ only in speed and in the
// processors that can run them.
enum class ChainPath { kScalar, kSse2, kAvx2, kAvx512 };
inline constexpr ChainPath kChainPaths[] = {ChainPath::kScalar, ChainPath::kSse2, ChainPath::kAvx2,
                                            ChainPath::kAvx512};

using TrackChainRunner = void (*)(TrackChainState&, const TrackChainBlock&);

bool ChainPathSupported(ChainPath path);
// The path that ran fastest on this processor, measured once per process on
// its first call (under a millisecond); any thread.
ChainPath FastestChainPath();
// What that measurement found: nanoseconds per frame for each path, in the
// order of ChainPath, -1 for a path this processor lacks.
using ChainPathTimes = std::array<double, 4>;
const ChainPathTimes& MeasuredChainPaths();
TrackChainRunner ChainRunner(ChainPath path);
const char* ChainPathName(ChainPath path);

// One per translation unit, each compiled for its instruction set.
void RunTrackChainScalar(TrackChainState& state, const TrackChainBlock& block);
void RunTrackChainSse2(TrackChainState& state, const TrackChainBlock& block);
void RunTrackChainAvx2(TrackChainState& state, const TrackChainBlock& block);
void RunTrackChainAvx512(TrackChainState& state, const TrackChainBlock& block);
