// A minimal concrete plug-in over the framework base, recording what the
// framework tells the host and the plug-in.
#pragma once

#include <utility>
#include <vector>

#include "framework/ieffect_base.h"

class TestEffect : public IEffectBase {
 public:
  explicit TestEffect(int nParams = 5, const char* channelIO = "2-4", int nPresets = 3,
                      bool chunks = false)
      : IEffectBase(nParams, channelIO, nPresets, "Test", "Product", "Vendor", 0x00010203,
                    0x54455354, 0x56656E64, 0, false, chunks, false, kAPIVST2) {}

  void OnParamChange(int paramIdx) override { mChanged.push_back(paramIdx); }
  void BeginInformHostOfParamChange(int) override {}
  void InformHostOfParamChange(int paramIdx, double value) override {
    mAutomated.emplace_back(paramIdx, value);
  }
  void EndInformHostOfParamChange(int) override {}
  void InformHostOfProgramChange() override { ++mProgramChanges; }
  int GetSamplePos() override { return 0; }
  double GetTempo() override { return mTempo; }
  void GetTimeSig(int* numerator, int* denominator) override { *numerator = *denominator = 4; }
  void GetTime(ITimeInfo*) override {}
  void ResizeGraphics(int, int) override {}
  bool SendMidiMsg(const IMidiMsg* msg) override {
    mSentMidi.push_back(*msg);
    return true;
  }

  std::vector<int> mChanged;
  std::vector<std::pair<int, double>> mAutomated;
  std::vector<IMidiMsg> mSentMidi;
  int mProgramChanges = 0;
  double mTempo = 120.;
};
