// The track chain four channels per AVX2 register.
#include "plugin/track_chain_paths.h"
#include "plugin/track_lanes.h"

void RunTrackChainAvx2(TrackChainState& state, const TrackChainBlock& block) {
  RunTrackChain<Lanes<4>>(state, block);
}
