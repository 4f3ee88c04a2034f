// A minimal concrete plug-in over the framework base, and its own host,
// recording what the framework tells the host and the plug-in.
#pragma once

#include <utility>
#include <vector>

#include "framework/ieffect_base.h"

class TestEffect : public IEffectBase, public IPlugHost {
 public:
  explicit TestEffect(int nParams = 5, const char* channelIO = "2-4", int nPresets = 3,
                      bool chunks = false)
      : IEffectBase(nParams, channelIO, nPresets, "Test", "Product", "Vendor", 0x00010203,
                    0x54455354, 0x56656E64, 0, false, chunks, false) {
    ConnectHost(this, kAPIVST2);
  }

  void OnParamChange(int paramIdx) override { mChanged.push_back(paramIdx); }

  // The framework's block processing, as the audio thread calls it.
  template <typename Sample>
  void RunBuffers(Sample sample, int nFrames) {
    const ThreadRoleScope audio(ThreadRole::kAudio);
    ProcessBuffers(sample, nFrames);
  }
  void RunBuffersAccumulating(int nFrames) {
    const ThreadRoleScope audio(ThreadRole::kAudio);
    ProcessBuffersAccumulating(0.f, nFrames);
  }

  void BeginEdit(int) override {}
  void Automate(int paramIdx, double value) override { mAutomated.emplace_back(paramIdx, value); }
  void EndEdit(int) override {}
  void ProgramChanged() override { ++mProgramChanges; }
  bool IsRenderingOffline() override { return false; }
  bool GetTransport(std::uint32_t, HostTransport* transport) override {
    transport->mValid = HostTransport::kTempo | HostTransport::kTimeSignature;
    transport->mTempo = mTempo;
    transport->mNumerator = transport->mDenominator = 4;
    return true;
  }
  HostProduct Identify() override { return {}; }
  void EditorResized(int, int) override {}
  void LatencyChanged(int) override {}
  void TextsChanged() override {}
  bool SendMidi(const IMidiMsg& msg) override {
    mSentMidi.push_back(msg);
    return true;
  }
  bool SendSysEx(const ISysEx&) override { return false; }

  // What the host heard so far, the edits waiting delivered first.
  const std::vector<std::pair<int, double>>& Automated() {
    DeliverEdits();
    return mAutomated;
  }
  int ProgramChanges() {
    DeliverEdits();
    return mProgramChanges;
  }

  std::vector<int> mChanged;
  std::vector<std::pair<int, double>> mAutomated;
  std::vector<IMidiMsg> mSentMidi;
  int mProgramChanges = 0;
  double mTempo = 120.;
};
