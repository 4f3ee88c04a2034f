// The console through its VST 2.4 face: the built plug-in loaded as a host
// loads it, its state the program chunk.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tests/plugin/console_host.h"
#include "tests/plugin/loaded_plugin.h"
#include "tests/plugin/program_chunk_names.h"

class Vst2ConsoleHost : public ConsoleHost {
 public:
  void Start(double sampleRate, int maxBlock) override {
    mPlug.Dispatch(effOpen);
    mPlug.Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    mPlug.Dispatch(effSetBlockSize, 0, maxBlock);
    mPlug.Dispatch(effMainsChanged, 0, 1);
  }
  void Set(int param, double normalized) override {
    mPlug.Set(param, static_cast<float>(normalized));
  }
  double Get(int param) override { return static_cast<double>(mPlug.Get(param)); }
  void Process(float* const* inputs, float* const* outputs, int frames) override {
    mPlug->processReplacing(mPlug.Effect(), const_cast<float**>(inputs),
                            const_cast<float**>(outputs), frames);
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
  std::vector<std::string> Names() override {
    std::vector<std::string> names;
    ReadProgramChunkNames(Save(), &names);
    return names;
  }
  bool RestoreNames(const std::vector<std::string>& names) override {
    return Restore(WithProgramChunkNames(Save(), names));
  }

  LoadedPlugin& Plug() { return mPlug; }

 private:
  LoadedPlugin mPlug;
};

inline std::unique_ptr<ConsoleHost> MakeVst2ConsoleHost() {
  return std::make_unique<Vst2ConsoleHost>();
}
