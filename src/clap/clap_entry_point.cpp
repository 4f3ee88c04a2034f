#include "clap/clap_entry_point.h"

#include <atomic>
#include <mutex>
#include <string>
#include <string_view>

#include "clap/clap_plugin.h"

namespace {

std::mutex gEntryMutex;
int gEntryCount = 0;
// The one description this library serves, set by the first factory asked for.
std::atomic<const PlugDescriptor& (*)()> gDescribe{nullptr};

ClapPlugin* Plugin(const clap_plugin_t* plugin) {
  return ClapPlugin::Of(plugin);
}

// Each table forwards to the adapter; a null plug-in object answers as a
// plug-in that has nothing.

const clap_plugin_audio_ports_t kAudioPorts{
    [](const clap_plugin_t* p, bool isInput) -> std::uint32_t {
      const ClapPlugin* self = Plugin(p);
      return self ? self->AudioPortCount(isInput) : 0;
    },
    [](const clap_plugin_t* p, std::uint32_t index, bool isInput, clap_audio_port_info_t* info) {
      const ClapPlugin* self = Plugin(p);
      return self && self->AudioPortInfo(index, isInput, info);
    }};

const clap_plugin_audio_ports_config_t kPortsConfig{
    [](const clap_plugin_t* p) -> std::uint32_t {
      const ClapPlugin* self = Plugin(p);
      return self ? self->ConfigCount() : 0;
    },
    [](const clap_plugin_t* p, std::uint32_t index, clap_audio_ports_config_t* config) {
      const ClapPlugin* self = Plugin(p);
      return self && self->ConfigInfo(index, config);
    },
    [](const clap_plugin_t* p, clap_id config) {
      ClapPlugin* self = Plugin(p);
      return self && self->SelectConfig(config);
    }};

const clap_plugin_audio_ports_config_info_t kPortsConfigInfo{
    [](const clap_plugin_t* p) -> clap_id {
      const ClapPlugin* self = Plugin(p);
      return self ? self->CurrentConfig() : kClapInvalidId;
    },
    [](const clap_plugin_t* p, clap_id config, std::uint32_t index, bool isInput,
       clap_audio_port_info_t* info) {
      const ClapPlugin* self = Plugin(p);
      return self && self->ConfigPortInfo(config, index, isInput, info);
    }};

const clap_plugin_note_ports_t kNotePorts{
    [](const clap_plugin_t* p, bool isInput) -> std::uint32_t {
      const ClapPlugin* self = Plugin(p);
      return self ? self->NotePortCount(isInput) : 0;
    },
    [](const clap_plugin_t* p, std::uint32_t index, bool isInput, clap_note_port_info_t* info) {
      const ClapPlugin* self = Plugin(p);
      return self && self->NotePortInfo(index, isInput, info);
    }};

const clap_plugin_params_t kParams{
    [](const clap_plugin_t* p) -> std::uint32_t {
      const ClapPlugin* self = Plugin(p);
      return self ? self->ParamCount() : 0;
    },
    [](const clap_plugin_t* p, std::uint32_t index, clap_param_info_t* info) {
      const ClapPlugin* self = Plugin(p);
      return self && self->ParamInfo(index, info);
    },
    [](const clap_plugin_t* p, clap_id id, double* value) {
      const ClapPlugin* self = Plugin(p);
      return self && self->ParamValue(id, value);
    },
    [](const clap_plugin_t* p, clap_id id, double value, char* text, std::uint32_t capacity) {
      const ClapPlugin* self = Plugin(p);
      return self && self->ParamText(id, value, text, capacity);
    },
    [](const clap_plugin_t* p, clap_id id, const char* text, double* value) {
      const ClapPlugin* self = Plugin(p);
      return self && self->ParamValueOfText(id, text, value);
    },
    [](const clap_plugin_t* p, const clap_input_events_t* in, const clap_output_events_t* out) {
      if (ClapPlugin* self = Plugin(p)) self->Flush(in, out);
    }};

const clap_plugin_state_t kState{[](const clap_plugin_t* p, const clap_ostream_t* stream) {
                                   ClapPlugin* self = Plugin(p);
                                   return self && self->SaveState(stream);
                                 },
                                 [](const clap_plugin_t* p, const clap_istream_t* stream) {
                                   ClapPlugin* self = Plugin(p);
                                   return self && self->LoadState(stream);
                                 }};

const clap_plugin_gui_t kGui{
    [](const clap_plugin_t* p, const char* api, bool isFloating) {
      const ClapPlugin* self = Plugin(p);
      return self && self->GuiIsApiSupported(api, isFloating);
    },
    [](const clap_plugin_t* p, const char** api, bool* isFloating) {
      if (!Plugin(p) || !api || !isFloating) return false;
      *api = kClapWindowApiX11;
      *isFloating = false;
      return true;
    },
    [](const clap_plugin_t* p, const char* api, bool isFloating) {
      ClapPlugin* self = Plugin(p);
      return self && self->GuiCreate(api, isFloating);
    },
    [](const clap_plugin_t* p) {
      if (ClapPlugin* self = Plugin(p)) self->GuiDestroy();
    },
    [](const clap_plugin_t* p, double scale) {
      ClapPlugin* self = Plugin(p);
      return self && self->GuiSetScale(scale);
    },
    [](const clap_plugin_t* p, std::uint32_t* width, std::uint32_t* height) {
      ClapPlugin* self = Plugin(p);
      return self && self->GuiGetSize(width, height);
    },
    [](const clap_plugin_t* p) { return Plugin(p) != nullptr; },
    [](const clap_plugin_t* p, clap_gui_resize_hints_t* hints) {
      if (!Plugin(p) || !hints) return false;
      // The editor keeps its proportions at every scale.
      *hints = {true, true, true, 1215, 692};
      return true;
    },
    [](const clap_plugin_t* p, std::uint32_t* width, std::uint32_t* height) {
      const ClapPlugin* self = Plugin(p);
      return self && self->GuiAdjustSize(width, height);
    },
    [](const clap_plugin_t* p, std::uint32_t width, std::uint32_t height) {
      ClapPlugin* self = Plugin(p);
      return self && self->GuiSetSize(width, height);
    },
    [](const clap_plugin_t* p, const clap_window_t* window) {
      ClapPlugin* self = Plugin(p);
      return self && self->GuiSetParent(window);
    },
    [](const clap_plugin_t*, const clap_window_t*) { return false; },
    [](const clap_plugin_t*, const char*) {},
    [](const clap_plugin_t* p) {
      ClapPlugin* self = Plugin(p);
      return self && self->GuiShow();
    },
    [](const clap_plugin_t* p) {
      ClapPlugin* self = Plugin(p);
      return self && self->GuiHide();
    }};

const clap_plugin_latency_t kLatency{[](const clap_plugin_t* p) -> std::uint32_t {
  const ClapPlugin* self = Plugin(p);
  return self ? self->Latency() : 0;
}};

const clap_plugin_render_t kRender{[](const clap_plugin_t*) { return false; },
                                   [](const clap_plugin_t* p, std::int32_t mode) {
                                     ClapPlugin* self = Plugin(p);
                                     return self && self->SetRenderMode(mode);
                                   }};

const clap_plugin_timer_support_t kTimers{[](const clap_plugin_t* p, clap_id timer) {
  if (ClapPlugin* self = Plugin(p)) self->OnTimer(timer);
}};

const clap_plugin_t* CreatePlugin(const clap_plugin_factory_t*, const clap_host_t* host,
                                  const char* pluginId);

const clap_plugin_descriptor_t* Descriptor() {
  const auto describe = gDescribe.load();
  if (!describe) return nullptr;
  static const std::string version = [describe] {
    const int packed = describe().mIdentity.mVersion;
    return std::to_string(packed >> 16) + "." + std::to_string((packed >> 8) & 0xFF) + "." +
           std::to_string(packed & 0xFF);
  }();
  static const clap_plugin_descriptor_t descriptor = [describe] {
    const PlugIdentity& identity = describe().mIdentity;
    // An effect for mixing, in stereo pairs.
    static const char* const kFeatures[] = {kClapFeatureAudioEffect, kClapFeatureMixing,
                                            kClapFeatureStereo, nullptr};
    clap_plugin_descriptor_t desc{};
    desc.clap_version = kClapVersion;
    desc.id = identity.mClapId.c_str();
    desc.name = identity.mName.c_str();
    desc.vendor = identity.mVendor.c_str();
    desc.url = "";
    desc.manual_url = "";
    desc.support_url = "";
    desc.version = version.c_str();
    desc.description = "";
    desc.features = kFeatures;
    return desc;
  }();
  return &descriptor;
}

const clap_plugin_factory_t kFactory{
    [](const clap_plugin_factory_t*) -> std::uint32_t { return Descriptor() ? 1 : 0; },
    [](const clap_plugin_factory_t*, std::uint32_t index) -> const clap_plugin_descriptor_t* {
      return index == 0 ? Descriptor() : nullptr;
    },
    &CreatePlugin};

const clap_plugin_t* CreatePlugin(const clap_plugin_factory_t*, const clap_host_t* host,
                                  const char* pluginId) {
  const clap_plugin_descriptor_t* desc = Descriptor();
  if (!desc || !pluginId || std::string_view(pluginId) != desc->id) return nullptr;
  ClapPlugin* self = ClapPlugin::Create(gDescribe.load()(), host);
  if (!self) return nullptr;
  auto& object = const_cast<clap_plugin_t&>(*self->Object());
  object.desc = desc;
  object.init = [](const clap_plugin_t* p) {
    ClapPlugin* s = Plugin(p);
    return s && s->Init();
  };
  object.destroy = [](const clap_plugin_t* p) {
    ClapPlugin* s = Plugin(p);
    if (!s) return;
    // A host that destroys an active instance gets it deactivated first.
    s->GuiDestroy();
    s->Deactivate();
    delete s;
  };
  object.activate = [](const clap_plugin_t* p, double rate, std::uint32_t minFrames,
                       std::uint32_t maxFrames) {
    ClapPlugin* s = Plugin(p);
    return s && s->Activate(rate, minFrames, maxFrames);
  };
  object.deactivate = [](const clap_plugin_t* p) {
    if (ClapPlugin* s = Plugin(p)) s->Deactivate();
  };
  object.start_processing = [](const clap_plugin_t* p) {
    ClapPlugin* s = Plugin(p);
    return s && s->StartProcessing();
  };
  object.stop_processing = [](const clap_plugin_t* p) {
    if (ClapPlugin* s = Plugin(p)) s->StopProcessing();
  };
  object.reset = [](const clap_plugin_t* p) {
    if (ClapPlugin* s = Plugin(p)) s->ResetConsole();
  };
  object.process = [](const clap_plugin_t* p, const clap_process_t* process) -> std::int32_t {
    ClapPlugin* s = Plugin(p);
    return s ? s->Process(process) : kClapProcessError;
  };
  object.get_extension = [](const clap_plugin_t* p, const char* id) {
    const ClapPlugin* s = Plugin(p);
    return s ? s->Extension(id) : nullptr;
  };
  object.on_main_thread = [](const clap_plugin_t* p) {
    if (ClapPlugin* s = Plugin(p)) s->OnMainThread();
  };
  return self->Object();
}

}  // namespace

const void* ClapPlugin::Extension(const char* id) const {
  if (!id) return nullptr;
  const std::string_view name = id;
  if (name == kClapExtAudioPorts) return &kAudioPorts;
  if (name == kClapExtAudioPortsConfig) return &kPortsConfig;
  if (name == kClapExtAudioPortsConfigInfo || name == kClapExtAudioPortsConfigInfoCompat)
    return &kPortsConfigInfo;
  if (name == kClapExtNotePorts) return &kNotePorts;
  if (name == kClapExtParams) return &kParams;
  if (name == kClapExtState) return &kState;
  if (name == kClapExtLatency) return &kLatency;
  if (name == kClapExtRender) return &kRender;
  if (name == kClapExtTimerSupport) return &kTimers;
  if (name == kClapExtGui && Plug().GetGUI()) return &kGui;
  return nullptr;
}

bool ClapEntryInit(const char* pluginPath) {
  (void)pluginPath;
  std::lock_guard lock(gEntryMutex);
  ++gEntryCount;
  return true;
}

void ClapEntryDeinit() {
  std::lock_guard lock(gEntryMutex);
  if (gEntryCount > 0) --gEntryCount;
}

const void* ClapEntryFactory(const char* factoryId, const PlugDescriptor& (*describe)()) {
  if (!factoryId || std::string_view(factoryId) != kClapPluginFactoryId || !describe)
    return nullptr;
  const PlugDescriptor& (*expected)() = nullptr;
  gDescribe.compare_exchange_strong(expected, describe);
  return &kFactory;
}
