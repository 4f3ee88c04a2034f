// What the plug-in tells and asks its host, through whichever format adapter
// connected it. Without a host every call is answered as a silent host would.
#include <cmath>

#include "framework/ieffect_base.h"

void IEffectBase::ConnectHost(IPlugHost* host, EAPI api) {
  mHostConnection = host;
  mAPI = api;
}

void IEffectBase::BeginInformHostOfParamChange(int paramIdx) {
  ExpectThread(ThreadRole::kEditor);
  mEdits.Push({Edit::Kind::kBegin, paramIdx, 0.});
}

void IEffectBase::InformHostOfParamChange(int paramIdx, double normalizedValue) {
  ExpectThread(ThreadRole::kEditor);
  mEdits.Push({Edit::Kind::kValue, paramIdx, normalizedValue});
}

void IEffectBase::EndInformHostOfParamChange(int paramIdx) {
  ExpectThread(ThreadRole::kEditor);
  mEdits.Push({Edit::Kind::kEnd, paramIdx, 0.});
}

void IEffectBase::InformHostOfProgramChange() {
  mEdits.ProgramChanged();
}

void IEffectBase::InformHostOfTextChange() {
  mEdits.TextsChanged();
}

void IEffectBase::DeliverEdits() {
  ExpectUnlocked();
  if (!mHostConnection) return;
  mEdits.Drain(*mHostConnection,
               [this](int paramIdx) { return GetParam(paramIdx)->GetNormalized(); });
}

void IEffectBase::OnEditorTick() {
  ExpectThread(ThreadRole::kEditor);
  ExpectUnlocked();
  if (mHostConnection) mHostConnection->EditorTick();
}

bool IEffectBase::IsRenderingOffline() {
  return mHostConnection && mHostConnection->IsRenderingOffline();
}

bool IEffectBase::TransportFrom(std::uint32_t wanted, HostTransport* transport) {
  return mHostConnection && mHostConnection->GetTransport(wanted, transport);
}

int IEffectBase::GetSamplePos() {
  HostTransport time;
  if (!TransportFrom(0, &time) || std::isnan(time.mSamplePos) || time.mSamplePos < 0.) return 0;
  const double rounded = time.mSamplePos + 0.5;
  return rounded >= 2147483647. ? 2147483647 : static_cast<int>(rounded);
}

double IEffectBase::GetTempo() {
  HostTransport time;
  if (!TransportFrom(HostTransport::kTempo, &time)) return 0.;
  return (time.mValid & HostTransport::kTempo) && time.mTempo >= 0. ? time.mTempo : 0.;
}

void IEffectBase::GetTimeSig(int* numerator, int* denominator) {
  *numerator = *denominator = 0;
  HostTransport time;
  if (TransportFrom(HostTransport::kTimeSignature, &time) &&
      (time.mValid & HostTransport::kTimeSignature) && time.mNumerator >= 0 &&
      time.mDenominator >= 0) {
    *numerator = time.mNumerator;
    *denominator = time.mDenominator;
  }
}

void IEffectBase::GetTime(ITimeInfo* timeInfo) {
  constexpr std::uint32_t kRequested = HostTransport::kMusicalPosition | HostTransport::kTempo |
                                       HostTransport::kBarStart | HostTransport::kCycle |
                                       HostTransport::kTimeSignature;
  HostTransport time;
  if (!TransportFrom(kRequested, &time) || !(time.mValid & kRequested)) return;
  const auto valid = [&](HostTransport::Field field) { return (time.mValid & field) != 0; };
  timeInfo->mSamplePos = time.mSamplePos;
  if (valid(HostTransport::kMusicalPosition) && time.mPPQPos >= 0.)
    timeInfo->mPPQPos = time.mPPQPos;
  if (valid(HostTransport::kTempo) && time.mTempo > 0.) timeInfo->mTempo = time.mTempo;
  if (valid(HostTransport::kBarStart) && time.mBarStart >= 0.) timeInfo->mLastBar = time.mBarStart;
  if (valid(HostTransport::kCycle) && time.mCycleStart >= 0. && time.mCycleEnd >= 0.) {
    timeInfo->mCycleStart = time.mCycleStart;
    timeInfo->mCycleEnd = time.mCycleEnd;
  }
  if (valid(HostTransport::kTimeSignature) && time.mNumerator > 0 && time.mDenominator > 0) {
    timeInfo->mNumerator = time.mNumerator;
    timeInfo->mDenominator = time.mDenominator;
  }
  timeInfo->mTransportIsRunning = time.mPlaying;
  timeInfo->mTransportLoopEnabled = time.mLooping;
}

EHost IEffectBase::GetHost() {
  if (mHost != kHostUninit) return mHost;
  const HostProduct product = mHostConnection ? mHostConnection->Identify() : HostProduct{};
  SetHost(product.mName.c_str(), product.mPackedVersion);
  return mHost;
}

void IEffectBase::HostSpecificInit() {
  ExpectThread(ThreadRole::kHost);
  if (mHostSpecificInitDone) return;
  mHostSpecificInitDone = true;
  switch (GetHost()) {
    case kHostForte:
    case kHostAudition:
    case kHostOrion:
    case kHostSAWStudio:
      LimitToStereoIO();
      break;
    default:
      break;
  }
  OnHostIdentified();
}

void IEffectBase::ResizeGraphics(int width, int height) {
  ExpectThread(ThreadRole::kEditor);
  if (!mGraphics) return;
  mEdits.Resized(width, height);
  OnWindowResize();
}

void IEffectBase::SetLatency(int samples) {
  mLatency = samples;
  mEdits.LatencyChanged(samples);
}

bool IEffectBase::SendMidiMsg(const IMidiMsg* msg) {
  return msg && mHostConnection && mHostConnection->SendMidi(*msg);
}

bool IEffectBase::SendSysEx(const ISysEx* msg) {
  return msg && mHostConnection && mHostConnection->SendSysEx(*msg);
}
