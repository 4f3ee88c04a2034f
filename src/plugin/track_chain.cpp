// The signal path of all eight tracks, one sample at a time.
#include "engine/saturation.h"
#include "plugin/quor.h"

void QUOR::ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) {
  const double sampleRate = GetSampleRate();
  for (std::size_t t = 0; t < kNumTracks; ++t) {
    mHighFilter[t].Calc(sampleRate, mHigh[t]);
    mMidFilter[t].Calc(sampleRate, 1. - mMid[t]);
    mLowFilter[t].Calc(sampleRate, mLow[t]);
  }

  // The switches cannot change while the block holds the plug-in's lock.
  std::array<int, kNumTracks> bypass{};
  std::array<int, kNumTracks> mute{};
  for (int t = 0; t < kNumTracks; ++t) {
    bypass[static_cast<std::size_t>(t)] = GetParam(BypassIdx(t))->Int();
    mute[static_cast<std::size_t>(t)] = GetParam(MuteIdx(t))->Int();
  }
  const int mode = GetParam(kModeIdx)->Int();
  const int globalBypass = GetParam(kGlobalBypassIdx)->Int();
  IEditorSurface* const editor = GetGUI();

  for (int i = 0; i < nFrames; ++i) {
    for (std::size_t t = 0; t < kNumTracks; ++t) {
      const DoublePair dry = {inputs[2 * t][i], inputs[2 * t + 1][i]};
      const double drive = mInAmp[t];
      mSat[t] = mOverSampler[t]->ProcessWith(
          dry + kAntiDenormal, [drive](DoublePair x) { return SaturatePair(x, drive); });
      if (bypass[t] == 1) {
        mTrackOut[2 * t] = dry[0];
        mTrackOut[2 * t + 1] = dry[1];
      } else if (bypass[t] == 0) {
        const DoublePair equalised =
            mMidFilter[t].Process(mLowFilter[t].Process(mHighFilter[t].Process(mSat[t])));
        const DoublePair out = equalised * mOutAmp[t] * kMakeUpGain;
        mTrackOut[2 * t] = out[0];
        mTrackOut[2 * t + 1] = out[1];
      }
    }

    for (std::size_t t = 0; t < kNumTracks; ++t) {
      for (std::size_t c = 2 * t; c <= 2 * t + 1; ++c) {
        if (mute[t] == 0)
          mChannelOut[c] = mTrackOut[c] + (-kAntiDenormal);
        else if (mute[t] == 1)
          mChannelOut[c] = mTrackOut[c] * 0.;
      }
    }

    if (mode == 0) {
      double left = mChannelOut[0];
      double right = mChannelOut[1];
      for (std::size_t c = 2; c < kNumChannels; c += 2) {
        left += mChannelOut[c];
        right += mChannelOut[c + 1];
      }
      mModeOut[0] = mMasterAmp * left;
      mModeOut[1] = mMasterAmp * right;
    } else if (mode == 1) {
      for (std::size_t c = 0; c < kNumChannels; ++c)
        mModeOut[2 + c] = mChannelOut[c];
    }

    if (globalBypass == 0) {
      mFinalOut = mModeOut;
    } else if (globalBypass == 1) {
      double left = inputs[0][i];
      double right = inputs[1][i];
      for (int c = 2; c < kNumChannels; c += 2) {
        left += inputs[c][i];
        right += inputs[c + 1][i];
      }
      mFinalOut[0] = left;
      mFinalOut[1] = right;
      for (int c = 0; c < kNumChannels; ++c)
        mFinalOut[2 + static_cast<std::size_t>(c)] = inputs[c][i];
    }

    if (mode == 0) {
      outputs[0][i] = mFinalOut[0];
      outputs[1][i] = mFinalOut[1];
      mMasterMeterGate = 1.;
    } else if (mode == 1) {
      for (int c = 0; c < kNumChannels; ++c)
        outputs[c][i] = mFinalOut[2 + static_cast<std::size_t>(c)];
      mMasterMeterGate = 0.;
    }

    for (int t = 0; t < kNumTracks; ++t) {
      const auto tt = static_cast<std::size_t>(t);
      if (bypass[tt] == 0)
        mMeterIn[tt] = mChannelOut[2 * tt] + mChannelOut[2 * tt + 1];
      else if (bypass[tt] == 1)
        mMeterIn[tt] = inputs[2 * t][i] + inputs[2 * t + 1][i];
    }

    // Without an editor nobody sees the meters, and their states stand still.
    if (editor) {
      for (std::size_t t = 0; t < kNumTracks; ++t)
        editor->SetControlFromPlug(mMeterIdx[t], mVU[t].Process(mMeterIn[t], sampleRate));
      editor->SetControlFromPlug(mMeterIdx[8],
                                 mVU[8].Process(outputs[0][i] * mMasterMeterGate, sampleRate));
      editor->SetControlFromPlug(mMeterIdx[9],
                                 mVU[9].Process(outputs[1][i] * mMasterMeterGate, sampleRate));
    }
  }

  SilenceOutputsOutsideTheMix(outputs, nFrames);
}
