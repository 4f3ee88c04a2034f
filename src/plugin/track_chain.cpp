// The signal path of all eight tracks: the block's settings gathered once,
// then the chain on the instruction set chosen for this instance.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <initializer_list>

#include "engine/band_filters.h"
#include "engine/level_meter.h"
#include "plugin/quor.h"

namespace {

constexpr std::uint64_t kAllOnes = ~std::uint64_t{0};

std::uint64_t MaskOf(bool set) {
  return set ? kAllOnes : 0;
}

}  // namespace

void TrackChainState::ForgetSignal() {
  overSampler.Reset();
  bands.ClearHistory();
  for (double* values : {trackOut, channelOut})
    std::fill_n(values, kChannels, 0.);
  std::fill_n(modeOut, kOutputs, 0.);
  std::fill_n(finalOut, kOutputs, 0.);
  std::fill_n(meterIn, kTracks, 0.);
  masterMeterGate = 0.;
  std::fill_n(meters, kMeterLanes, 0.);
  std::fill_n(meterPeaks, kMeters, 0.);
}

void QUOR::UpdateChainGains(double sampleRate) {
  for (int t = 0; t < kNumTracks; ++t) {
    const auto track = static_cast<std::size_t>(t);
    HighShelf high;
    MidBell mid;
    LowShelf low;
    high.Calc(sampleRate, mHigh[track]);
    mid.Calc(sampleRate, 1. - mMid[track]);
    low.Calc(sampleRate, mLow[track]);
    for (const int c : {2 * t, 2 * t + 1}) {
      mChain.bands.SetCoefficients(TrackChainState::kHighBand, c, high);
      mChain.bands.SetCoefficients(TrackChainState::kMidBand, c, mid);
      mChain.bands.SetCoefficients(TrackChainState::kLowBand, c, low);
      mChain.drive[c] = mInAmp[track];
      mChain.outAmp[c] = mOutAmp[track];
    }
  }
  mGainsChanged = false;
}

void QUOR::ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) {
  ExpectThread(ThreadRole::kAudio);
  const double sampleRate = GetSampleRate();
  const auto rate = std::bit_cast<std::uint64_t>(sampleRate);
  if (rate != mChainRate) {
    mChainRate = rate;
    mMeterCoefficient = MeterCoefficient(sampleRate);
    mGainsChanged = true;
  }
  if (mGainsChanged) UpdateChainGains(sampleRate);
  if (nFrames <= 0) return;

  // The switches cannot change while the block holds the plug-in's lock.
  TrackChainBlock block{};
  block.inputs = inputs;
  block.outputs = outputs;
  block.frames = nFrames;
  for (int t = 0; t < kNumTracks; ++t) {
    const int bypass = GetParam(BypassIdx(t))->Int();
    const int mute = GetParam(MuteIdx(t))->Int();
    block.bypass[t] = bypass;
    for (const int c : {2 * t, 2 * t + 1}) {
      mChain.bypassOn[c] = MaskOf(bypass == 1);
      mChain.bypassOff[c] = MaskOf(bypass == 0);
      mChain.muteOn[c] = MaskOf(mute == 1);
      mChain.muteOff[c] = MaskOf(mute == 0);
    }
  }
  block.mode = GetParam(kModeIdx)->Int();
  block.globalBypass = GetParam(kGlobalBypassIdx)->Int();
  block.masterAmp = mMasterAmp;

  // Without an editor nobody sees the meters, and their states stand still.
  IEditorSurface* const editor = GetGUI();
  block.meters = editor != nullptr;
  block.meterCoefficient = mMeterCoefficient;

  mRunChain(mChain, block);

  // The editor shows only the latest value of each meter; an over lights the
  // lamp, which only a click puts out, and the peak reading holds the largest.
  for (int m = 0; m < kNumMeters; ++m) {
    const auto meter = static_cast<std::size_t>(m);
    if (editor) {
      editor->SetControlFromPlug(mMeterIdx[meter], mChain.meters[m]);
      if (mChain.meterPeaks[m] > 1.) editor->SetControlFromPlug(mOverLampIdx[meter], 1.);
      // The reading keeps the largest; only a click resets it.
      if (mChain.meterPeaks[m] > 0.)
        editor->SetControlFromPlug(mPeakIdx[meter], mChain.meterPeaks[m]);
    }
    mChain.meterPeaks[m] = 0.;
  }

  SilenceOutputsOutsideTheMix(block.mode, outputs, nFrames);
}
