// The console through its VST 2.4 face: the built plug-in loaded as a host
// loads it, its state the program chunk.
#pragma once

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tests/plugin/console_host.h"
#include "tests/plugin/loaded_plugin.h"

class Vst2ConsoleHost : public ConsoleHost {
 public:
  static constexpr int kHeaderSize = 8;  // the framework's magic and version

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
  std::vector<std::string> Names() override { return NamesIn(Save()); }
  bool RestoreNames(const std::vector<std::string>& names) override {
    return Restore(WithNames(Save(), names));
  }

  LoadedPlugin& Plug() { return mPlug; }

  // The names in a program chunk, and the chunk with them replaced: every
  // format that saves the program chunk shares them.
  static std::vector<std::string> NamesIn(const std::vector<std::uint8_t>& chunk) {
    std::vector<std::string> names;
    ReadNames(chunk, &names);
    return names;
  }
  static std::vector<std::uint8_t> WithNames(const std::vector<std::uint8_t>& saved,
                                             const std::vector<std::string>& names) {
    std::vector<std::string> old;
    const std::size_t valuesAt = ReadNames(saved, &old);
    std::vector<std::uint8_t> chunk(saved.begin(), saved.begin() + kHeaderSize);
    for (const std::string& name : names) {
      const auto length = static_cast<std::int32_t>(name.size());
      const auto* bytes = reinterpret_cast<const std::uint8_t*>(&length);
      chunk.insert(chunk.end(), bytes, bytes + sizeof length);
      chunk.insert(chunk.end(), name.begin(), name.end());
    }
    chunk.insert(chunk.end(), saved.begin() + static_cast<std::ptrdiff_t>(valuesAt), saved.end());
    return chunk;
  }

 private:
  // The nine names after the header; where the values begin.
  static std::size_t ReadNames(const std::vector<std::uint8_t>& chunk,
                               std::vector<std::string>* names) {
    std::size_t at = kHeaderSize;
    for (int i = 0; i < 9 && at + 4 <= chunk.size(); ++i) {
      std::int32_t length = 0;
      std::memcpy(&length, chunk.data() + at, sizeof length);
      at += sizeof length;
      names->emplace_back(reinterpret_cast<const char*>(chunk.data() + at),
                          static_cast<std::size_t>(length));
      at += static_cast<std::size_t>(length);
    }
    return at;
  }

  LoadedPlugin mPlug;
};

inline std::unique_ptr<ConsoleHost> MakeVst2ConsoleHost() {
  return std::make_unique<Vst2ConsoleHost>();
}
