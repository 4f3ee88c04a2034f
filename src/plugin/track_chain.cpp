// The signal path of all eight tracks, one sample at a time.
#include "engine/saturation.h"
#include "quor.h"

double QUOR::Saturation(int track, double x) const {
  return Saturate(x, mInAmp[static_cast<std::size_t>(track)]);
}

void QUOR::ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) {
  const double sampleRate = GetSampleRate();
  for (int t = 0; t < kNumTracks; ++t) {
    const auto tt = static_cast<std::size_t>(t);
    for (std::size_t c = 2 * tt; c <= 2 * tt + 1; ++c) {
      mHighFilter[c].Calc(sampleRate, mHigh[tt]);
      mMidFilter[c].Calc(sampleRate, 1. - mMid[tt]);
      mLowFilter[c].Calc(sampleRate, mLow[tt]);
    }
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
    for (int t = 0; t < kNumTracks; ++t) {
      const auto tt = static_cast<std::size_t>(t);
      for (std::size_t c = 2 * tt; c <= 2 * tt + 1; ++c)
        mSat[c] = mOverSampler[c]->ProcessWith(inputs[c][i] + kAntiDenormal,
                                               [this, t](double x) { return Saturation(t, x); });
      for (std::size_t c = 2 * tt; c <= 2 * tt + 1; ++c) {
        if (bypass[tt] == 1) {
          mTrackOut[c] = inputs[c][i];
        } else if (bypass[tt] == 0) {
          const double equalised =
              mMidFilter[c].Process(mLowFilter[c].Process(mHighFilter[c].Process(mSat[c])));
          mTrackOut[c] = equalised * mOutAmp[tt] * kMakeUpGain;
        }
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
}
