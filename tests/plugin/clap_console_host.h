// The console through its CLAP face: QUOR's CLAP entry, linked in, driven
// by the project's CLAP host; its state the program chunk, a host's changes
// sent as parameter events in its own units, the editor's edits heard as the
// events the plug-in pushes in a flush or a block.
#pragma once

#include <algorithm>
#include <array>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "clap/clap_plugin.h"
#include "tests/hosts/clap_test_host.h"
#include "tests/plugin/console_host.h"

extern "C" const clap_plugin_entry_t clap_entry;

class ClapConsoleHost : public ConsoleHost {
 public:
  ClapConsoleHost() : mHost(mLibrary, LinkedOptions()) {}

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
    std::lock_guard lock(mFlushMutex);
    process.out_events = mHost.Pushed().List();
    mHost.Process(process);
  }
  void Reset() override { mHost.Reset(); }
  std::vector<std::uint8_t> Save() override {
    return mHost.SaveState(7).value_or(std::vector<std::uint8_t>{});
  }
  bool Restore(const std::vector<std::uint8_t>& state) override {
    return mHost.LoadState(state, 3);
  }
  IEffectBase& Plug() override { return ClapPlugin::Of(mHost.Plugin())->Plug(); }
  // The main loop's round, then the flush a host makes between blocks.
  bool Idle() override {
    mHost.Idle();
    std::lock_guard lock(mFlushMutex);
    mHost.Flush();
    return true;
  }
  std::vector<std::string> TakeEdits() override {
    std::lock_guard lock(mFlushMutex);
    std::vector<std::string> edits;
    ClapOutputEvents& pushed = mHost.Pushed();
    for (std::size_t i = 0; i < pushed.Events().size(); ++i) {
      const std::uint16_t type = pushed.Header(i).type;
      if (type == kClapEventParamValue)
        edits.push_back("a" + std::to_string(pushed.As<clap_event_param_value_t>(i).param_id));
      else if (type == kClapEventParamGestureBegin || type == kClapEventParamGestureEnd)
        edits.push_back((type == kClapEventParamGestureBegin ? "b" : "e") +
                        std::to_string(pushed.As<clap_event_param_gesture_t>(i).param_id));
    }
    pushed.Clear();
    return edits;
  }
  std::vector<std::string> Violations() override {
    std::vector<std::string> violations = mHost.Violations();
    std::lock_guard lock(mFlushMutex);
    const std::vector<std::string>& faults = mHost.Pushed().Faults();
    violations.insert(violations.end(), faults.begin(), faults.end());
    return violations;
  }
  // The used parameters only, in their own units.
  Publication Published() override {
    Publication published{mHost.Plugin()->desc->name, Channels(true), Channels(false), {}};
    for (const clap_param_info_t& info : mHost.ParamInfos())
      published.mParams.push_back({static_cast<int>(info.id), info.name, info.min_value,
                                   info.max_value, info.default_value});
    return published;
  }

 private:
  static ClapTestHost::Options LinkedOptions() {
    ClapTestHost::Options options;
    options.mPlugMutexesHeld = &PlugMutexesHeldByThisThread;
    return options;
  }
  int Channels(bool input) {
    const auto* ports = mHost.Extension<clap_plugin_audio_ports_t>(kClapExtAudioPorts);
    if (!ports) return 0;
    const ThreadRoleScope main(ThreadRole::kHost);
    int channels = 0;
    for (std::uint32_t i = 0; i < ports->count(mHost.Plugin(), input); ++i) {
      clap_audio_port_info_t info{};
      if (ports->get(mHost.Plugin(), i, input, &info))
        channels += static_cast<int>(info.channel_count);
    }
    return channels;
  }
  const clap_param_info_t* Info(int param) const {
    if (param < 0 || param >= static_cast<int>(mInfos.size())) return nullptr;
    const clap_param_info_t& info = mInfos[static_cast<std::size_t>(param)];
    return info.max_value > info.min_value ? &info : nullptr;
  }

  ClapLibrary mLibrary{&clap_entry, "linked"};
  ClapTestHost mHost;
  // By index; an unused index's stays empty.
  std::array<clap_param_info_t, 94> mInfos{};
  std::mutex mFlushMutex;
};

inline std::unique_ptr<ConsoleHost> MakeClapConsoleHost() {
  return std::make_unique<ClapConsoleHost>();
}
