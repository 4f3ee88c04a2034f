// The track chain one channel at a time, in plain doubles.
#include "plugin/track_chain_paths.h"
#include "plugin/track_lanes.h"

void RunTrackChainScalar(TrackChainState& state, const TrackChainBlock& block) {
  RunTrackChain<Lanes<1>>(state, block);
}
