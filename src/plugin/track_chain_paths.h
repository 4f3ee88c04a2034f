// The track chain built for each instruction set, and the choice between them.
#pragma once

struct TrackChainState;
struct TrackChainBlock;

// Every path gives the same bits; they differ only in speed and in the
// processors that can run them.
enum class ChainPath { kScalar, kSse2, kAvx2, kAvx512 };

using TrackChainRunner = void (*)(TrackChainState&, const TrackChainBlock&);

bool ChainPathSupported(ChainPath path);
// The widest path this processor runs.
ChainPath FastestChainPath();
TrackChainRunner ChainRunner(ChainPath path);
const char* ChainPathName(ChainPath path);

// One per translation unit, each compiled for its instruction set.
void RunTrackChainScalar(TrackChainState& state, const TrackChainBlock& block);
void RunTrackChainSse2(TrackChainState& state, const TrackChainBlock& block);
void RunTrackChainAvx2(TrackChainState& state, const TrackChainBlock& block);
void RunTrackChainAvx512(TrackChainState& state, const TrackChainBlock& block);
