// The console through its CLAP face: the built QUOR.clap loaded by the
// project's CLAP host, its state the program chunk, a host's changes sent
// as parameter events in its own units.
#pragma once

#include <algorithm>
#include <array>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/hosts/clap_test_host.h"
#include "tests/plugin/console_host.h"
#include "tests/plugin/vst2_console_host.h"

class ClapConsoleHost : public ConsoleHost {
 public:
  ClapConsoleHost() : mLibrary(Open()), mHost(*mLibrary) {}

  void Start(double sampleRate, int maxBlock) override {
    if (!mHost.Create() || !mHost.Init()) return;
    for (const clap_param_info_t& info : mHost.ParamInfos())
      mInfos[info.id] = info;
    mHost.Activate(sampleRate, 1, static_cast<std::uint32_t>(maxBlock));
    mHost.StartProcessing();
  }
  // Normalised as the console keeps it, sent in the parameter's own units as
  // a flush on the audio thread: never beside a process call.
  void Set(int param, double normalized) override {
    const clap_param_info_t* info = Info(param);
    if (!info) return;
    ClapInputEvents change;
    change.AddParamValue(0, info->id,
                         info->min_value + normalized * (info->max_value - info->min_value));
    std::lock_guard lock(mFlushMutex);
    mHost.Flush(&change);
  }
  double Get(int param) override {
    const clap_param_info_t* info = Info(param);
    if (!info) return 0.;
    const double value = mHost.Value(info->id).value_or(info->min_value);
    return (value - info->min_value) / (info->max_value - info->min_value);
  }
  void Process(float* const* inputs, float* const* outputs, int frames) override {
    clap_audio_buffer_t in{}, out{};
    in.data32 = const_cast<float**>(inputs);
    in.channel_count = 16;
    out.data32 = const_cast<float**>(outputs);
    out.channel_count = 16;
    clap_process_t process{};
    process.frames_count = static_cast<std::uint32_t>(frames);
    process.audio_inputs = &in;
    process.audio_outputs = &out;
    process.audio_inputs_count = process.audio_outputs_count = 1;
    ClapOutputEvents pushed;
    process.out_events = pushed.List();
    mHost.Process(process);
  }
  std::vector<std::uint8_t> Save() override {
    return mHost.SaveState(7).value_or(std::vector<std::uint8_t>{});
  }
  bool Restore(const std::vector<std::uint8_t>& state) override {
    return mHost.LoadState(state, 3);
  }
  std::vector<std::string> Names() override { return Vst2ConsoleHost::NamesIn(Save()); }
  bool RestoreNames(const std::vector<std::string>& names) override {
    return Restore(Vst2ConsoleHost::WithNames(Save(), names));
  }

 private:
  static std::unique_ptr<ClapLibrary> Open() {
    std::string error;
    auto library = ClapLibrary::Open(QUOR_CLAP_PATH, &error);
    if (!library) throw std::runtime_error(error);
    return library;
  }
  const clap_param_info_t* Info(int param) const {
    if (param < 0 || param >= static_cast<int>(mInfos.size())) return nullptr;
    const clap_param_info_t& info = mInfos[static_cast<std::size_t>(param)];
    return info.max_value > info.min_value ? &info : nullptr;
  }

  std::unique_ptr<ClapLibrary> mLibrary;
  ClapTestHost mHost;
  // By index; an unused index's stays empty.
  std::array<clap_param_info_t, 94> mInfos{};
  std::mutex mFlushMutex;
};

inline std::unique_ptr<ConsoleHost> MakeClapConsoleHost() {
  return std::make_unique<ClapConsoleHost>();
}
