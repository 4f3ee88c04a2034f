// The console through its VST3 face: the built bundle loaded by the project's
// VST3 host, its state the component state. As VST3 hosts do, parameter
// changes travel to the processor with the next process call; a save sends
// what waits first (a call of no frames), a restore drops it. Process calls
// come one at a time, as from a host's audio thread; saves and restores run
// beside them.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/hosts/vst3_test_host.h"
#include "tests/plugin/console_host.h"
#include "tests/plugin/program_chunk_names.h"

class Vst3ConsoleHost : public ConsoleHost {
 public:
  Vst3ConsoleHost() {
    std::string error;
    mModule = vst3_test::Vst3Module::Load(QUOR_VST3_BUNDLE, &error);
    const auto audioClass = mModule ? mModule->AudioClass() : std::nullopt;
    if (!audioClass) throw std::runtime_error("QUOR.vst3: " + error);
    mInstance = std::make_unique<vst3_test::Vst3Instance>(mHost, *mModule, *audioClass);
    if (!mInstance->Error().empty()) throw std::runtime_error(mInstance->Error());
  }
  ~Vst3ConsoleHost() override { mInstance.reset(); }

  void Start(double sampleRate, int maxBlock) override { mInstance->Start(sampleRate, maxBlock); }
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
  std::vector<std::string> Names() override {
    std::vector<std::string> names;
    ReadProgramChunkNames(Save(), &names);
    return names;
  }
  bool RestoreNames(const std::vector<std::string>& names) override {
    return Restore(WithProgramChunkNames(Save(), names));
  }

 private:
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
  vst3_test::ParameterChanges mChanges{&mHost.Checks()};
};

inline std::unique_ptr<ConsoleHost> MakeVst3ConsoleHost() {
  return std::make_unique<Vst3ConsoleHost>();
}
