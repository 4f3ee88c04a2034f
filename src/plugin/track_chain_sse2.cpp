// The track chain two channels per SSE2 register, the baseline of every x86-64.
#include "plugin/track_chain_paths.h"
#include "plugin/track_lanes.h"

void RunTrackChainSse2(TrackChainState& state, const TrackChainBlock& block) {
  RunTrackChain<Lanes<2>>(state, block);
}
