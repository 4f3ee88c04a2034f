// The console through its VST3 face: the module linked in, driven by the
// project's VST3 host, its state the component state. As VST3 hosts do, parameter
// changes travel to the processor with the next process call; a save sends
// what waits first (a call of no frames), a restore drops it. Process calls
// come one at a time, as from a host's audio thread; saves and restores run
// beside them.
#pragma once

#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/hosts/vst3_test_host.h"
#include "tests/plugin/console_host.h"
#include "vst3/string16.h"
#include "vst3/vst3_plugin.h"

extern "C" vst3::IPluginFactory* GetPluginFactory();
extern "C" bool ModuleEntry(void* sharedLibraryHandle);
extern "C" bool ModuleExit();

class Vst3ConsoleHost : public ConsoleHost {
 public:
  Vst3ConsoleHost() {
    std::string error;
    mModule = vst3_test::Vst3Module::Linked(&GetPluginFactory, &ModuleEntry, &ModuleExit, &error);
    const auto audioClass = mModule ? mModule->AudioClass() : std::nullopt;
    if (!audioClass) throw std::runtime_error("QUOR.vst3: " + error);
    mInstance = std::make_unique<vst3_test::Vst3Instance>(mHost, *mModule, *audioClass);
    if (!mInstance->Error().empty()) throw std::runtime_error(mInstance->Error());
  }
  ~Vst3ConsoleHost() override { mInstance.reset(); }

  void Start(double sampleRate, int maxBlock) override {
    mRate = sampleRate;
    mMaxBlock = maxBlock;
    mInstance->Start(sampleRate, maxBlock);
  }
  // Processing and activation off and on again.
  void Reset() override {
    std::lock_guard process(mProcessMutex);
    mInstance->Stop();
    mInstance->Start(mRate, mMaxBlock);
  }
  void Set(int param, double normalized) override {
    std::lock_guard lock(mPendingMutex);
    mPending[param] = normalized;
  }
  double Get(int param) override {
    {
      std::lock_guard lock(mPendingMutex);
      const auto pending = mPending.find(param);
      if (pending != mPending.end()) return pending->second;
    }
    return mInstance->Controller()->getParamNormalized(static_cast<vst3::ParamID>(param));
  }
  void Process(float* const* inputs, float* const* outputs, int frames) override {
    Run(inputs, outputs, frames);
  }
  std::vector<std::uint8_t> Save() override {
    Run(nullptr, nullptr, 0);
    return mInstance->ComponentState().value_or(std::vector<std::uint8_t>{});
  }
  bool Restore(const std::vector<std::uint8_t>& state) override {
    {
      std::lock_guard lock(mPendingMutex);
      mPending.clear();  // a loaded state replaces what waited
    }
    return mInstance->SetComponentState(state) == vst3::kResultOk;
  }
  IEffectBase& Plug() override {
    return dynamic_cast<Vst3Plugin&>(*mInstance->Controller()).Plug();
  }
  // The edits reach the component handler from the timer an open view
  // registers with the host's run loop: tested with a view on an X server.
  bool Idle() override { return false; }
  std::vector<std::string> TakeEdits() override {
    std::vector<std::string> edits;
    const auto calls = mHost.Handler().Calls();
    for (std::size_t i = mEditsTaken; i < calls.size(); ++i) {
      using Kind = vst3_test::EditCall::Kind;
      const Kind kind = calls[i].mKind;
      if (kind != Kind::kRestart)
        edits.push_back((kind == Kind::kBegin     ? "b"
                         : kind == Kind::kPerform ? "a"
                                                  : "e") +
                        std::to_string(calls[i].mId));
    }
    mEditsTaken = calls.size();
    return edits;
  }
  std::vector<std::string> Violations() override { return mHost.Checks().Violations(); }
  // The used parameters, normalised, so no range.
  Publication Published() override {
    constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
    Publication published{
        mModule->Classes().front().mName, Channels(vst3::kInput), Channels(vst3::kOutput), {}};
    for (const vst3::ParameterInfo& info : mInstance->Parameters())
      published.mParams.push_back(
          {static_cast<int>(info.id), vst3::String16ToUtf8(info.title), kNone, kNone, kNone});
    return published;
  }

 private:
  int Channels(vst3::BusDirection direction) {
    vst3::IComponent* component = mInstance->Component();
    int channels = 0;
    for (vst3::int32 bus = 0; bus < component->getBusCount(vst3::kAudio, direction); ++bus) {
      vst3::BusInfo info{};
      if (component->getBusInfo(vst3::kAudio, direction, bus, &info) == vst3::kResultOk)
        channels += info.channelCount;
    }
    return channels;
  }
  void Run(float* const* inputs, float* const* outputs, int frames) {
    std::lock_guard process(mProcessMutex);
    vst3_test::ParameterChanges& changes = mChanges;
    changes.Clear();
    {
      std::lock_guard lock(mPendingMutex);
      if (frames == 0 && mPending.empty()) return;
      for (const auto& [param, value] : mPending)
        changes.Add(static_cast<vst3::ParamID>(param), 0, value);
      mPending.clear();
    }
    std::vector<vst3::AudioBusBuffers> ins(8), outs(8);
    for (std::size_t bus = 0; bus < 8; ++bus) {
      ins[bus].numChannels = outs[bus].numChannels = 2;
      ins[bus].channelBuffers32 = inputs ? const_cast<float**>(inputs) + 2 * bus : nullptr;
      outs[bus].channelBuffers32 = outputs ? const_cast<float**>(outputs) + 2 * bus : nullptr;
    }
    vst3::ProcessData data{};
    data.symbolicSampleSize = vst3::kSample32;
    data.numSamples = frames;
    data.numInputs = data.numOutputs = 8;
    data.inputs = ins.data();
    data.outputs = outs.data();
    data.inputParameterChanges = &changes;
    mInstance->Process(data);
  }

  std::mutex mProcessMutex;  // one process call at a time
  std::mutex mPendingMutex;
  vst3_test::Vst3Host mHost;
  std::unique_ptr<vst3_test::Vst3Module> mModule;
  std::unique_ptr<vst3_test::Vst3Instance> mInstance;
  std::map<int, double> mPending;
  std::size_t mEditsTaken = 0;
  double mRate = 44100.;
  int mMaxBlock = 0;
  vst3_test::ParameterChanges mChanges{&mHost.Checks()};
};

inline std::unique_ptr<ConsoleHost> MakeVst3ConsoleHost() {
  return std::make_unique<Vst3ConsoleHost>();
}
