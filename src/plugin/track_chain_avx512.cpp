// The track chain eight channels per AVX-512 register.
#include "plugin/track_chain_paths.h"
#include "plugin/track_lanes.h"

void RunTrackChainAvx512(TrackChainState& state, const TrackChainBlock& block) {
  RunTrackChain<Lanes<8>>(state, block);
}
