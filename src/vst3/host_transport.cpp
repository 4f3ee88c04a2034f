#include "vst3/host_transport.h"

namespace vst3 {

bool TransportFromContext(const ProcessContext* context, int32 offset, HostTransport* transport) {
  if (!context) return false;
  const uint32 state = context->state;
  const auto valid = [state](uint32 flag) { return (state & flag) != 0; };
  *transport = {};
  transport->mSamplePos = static_cast<double>(context->projectTimeSamples + offset);
  transport->mPlaying = valid(ProcessContext::kPlaying);
  transport->mLooping = valid(ProcessContext::kCycleActive);
  if (valid(ProcessContext::kTempoValid) && context->tempo > 0.) {
    transport->mValid |= HostTransport::kTempo;
    transport->mTempo = context->tempo;
  }
  if (valid(ProcessContext::kTimeSigValid) && context->timeSigNumerator > 0 &&
      context->timeSigDenominator > 0) {
    transport->mValid |= HostTransport::kTimeSignature;
    transport->mNumerator = context->timeSigNumerator;
    transport->mDenominator = context->timeSigDenominator;
  }
  if (valid(ProcessContext::kProjectTimeMusicValid)) {
    transport->mValid |= HostTransport::kMusicalPosition;
    transport->mPPQPos = context->projectTimeMusic;
    // The position moves on within a split block at the tempo, when known.
    if (offset > 0 && (transport->mValid & HostTransport::kTempo) && context->sampleRate > 0.)
      transport->mPPQPos += offset * context->tempo / (60. * context->sampleRate);
  }
  if (valid(ProcessContext::kBarPositionValid)) {
    transport->mValid |= HostTransport::kBarStart;
    transport->mBarStart = context->barPositionMusic;
  }
  if (valid(ProcessContext::kCycleValid)) {
    transport->mValid |= HostTransport::kCycle;
    transport->mCycleStart = context->cycleStartMusic;
    transport->mCycleEnd = context->cycleEndMusic;
  }
  return true;
}

}  // namespace vst3
