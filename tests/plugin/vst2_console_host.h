// The console through its VST 2.4 face: the adapter around QUOR, linked in,
// in the VST2 test host; its state the program chunk.
#pragma once

#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "tests/plugin/console_host.h"
#include "tests/plugin/linked_console.h"

class Vst2ConsoleHost : public ConsoleHost {
 public:
  void Start(double sampleRate, int maxBlock) override {
    mPlug.Dispatch(effOpen);
    mRate = static_cast<float>(sampleRate);
    mMaxBlock = maxBlock;
    Resume();
  }
  // Suspended, then resumed with the rate and block size told again, as
  // many hosts do.
  void Reset() override {
    mPlug.Dispatch(effMainsChanged, 0, 0);
    Resume();
  }
  void Set(int param, double normalized) override {
    mPlug.Set(param, static_cast<float>(normalized));
  }
  double Get(int param) override { return static_cast<double>(mPlug.Get(param)); }
  void Process(float* const* inputs, float* const* outputs, int frames) override {
    mPlug.Process(const_cast<float**>(inputs), const_cast<float**>(outputs), frames);
  }
  std::vector<std::uint8_t> Save() override {
    void* data = nullptr;
    const VstIntPtr size = mPlug.Dispatch(effGetChunk, 1, 0, &data);
    if (size <= 0 || !data) return {};
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return {bytes, bytes + size};
  }
  bool Restore(const std::vector<std::uint8_t>& state) override {
    return mPlug.Dispatch(effSetChunk, 1, static_cast<VstIntPtr>(state.size()),
                          const_cast<std::uint8_t*>(state.data())) == 1;
  }
  IEffectBase& Plug() override { return mPlug.Console(); }
  bool Idle() override {
    mPlug.EditIdle();
    return true;
  }
  std::vector<std::string> TakeEdits() override {
    std::vector<std::string> edits;
    const std::vector<Vst2TestHost::Call> calls = mPlug.Calls();
    for (std::size_t i = mEditsTaken; i < calls.size(); ++i) {
      const Vst2TestHost::Call& call = calls[i];
      const char kind = call.mOpcode == audioMasterBeginEdit  ? 'b'
                        : call.mOpcode == audioMasterAutomate ? 'a'
                        : call.mOpcode == audioMasterEndEdit  ? 'e'
                                                              : '\0';
      if (kind) edits.push_back(kind + std::to_string(call.mIndex));
    }
    mEditsTaken = calls.size();
    return edits;
  }
  std::vector<std::string> Violations() override { return mPlug.Violations(); }
  // Every index, an unused one without a name; values normalised, so no range.
  Publication Published() override {
    constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
    const AEffect* effect = mPlug.Effect();
    Publication published{mPlug.Text(effGetEffectName), effect->numInputs, effect->numOutputs, {}};
    for (int i = 0; i < effect->numParams; ++i)
      published.mParams.push_back({i, mPlug.Text(effGetParamName, i), kNone, kNone, kNone});
    return published;
  }

 private:
  void Resume() {
    mPlug.Dispatch(effSetSampleRate, 0, 0, nullptr, mRate);
    mPlug.Dispatch(effSetBlockSize, 0, mMaxBlock);
    mPlug.Dispatch(effMainsChanged, 0, 1);
  }

  LinkedConsole mPlug;
  std::size_t mEditsTaken = 0;
  float mRate = 44100.f;
  int mMaxBlock = 0;
};

inline std::unique_ptr<ConsoleHost> MakeVst2ConsoleHost() {
  return std::make_unique<Vst2ConsoleHost>();
}
