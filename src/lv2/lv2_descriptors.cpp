// The C entries of LV2's plug-in and UI descriptors. None lets an exception
// reach the host; a plug-in or UI that cannot be made is a null handle.
#include "lv2/lv2_descriptors.h"

#include <lv2/state/state.h>

#include <atomic>
#include <cstring>

#include "lv2/lv2_plugin.h"
#include "lv2/lv2_ui.h"

namespace {

// Set by the exported functions before any instance exists.
std::atomic<const Lv2Description*> gDescription{nullptr};

Lv2Plugin* PluginOf(LV2_Handle instance) {
  return static_cast<Lv2Plugin*>(instance);
}

LV2_Handle Instantiate(const LV2_Descriptor*, double rate, const char*,
                       const LV2_Feature* const* features) {
  try {
    const Lv2Description* description = gDescription.load();
    return description ? Lv2Plugin::Create(*description, rate, features).release() : nullptr;
  } catch (...) {
    return nullptr;
  }
}

void ConnectPort(LV2_Handle instance, std::uint32_t port, void* data) {
  if (instance) PluginOf(instance)->ConnectPort(port, data);
}

void Activate(LV2_Handle instance) {
  if (instance) PluginOf(instance)->Activate();
}

void Run(LV2_Handle instance, std::uint32_t frames) {
  if (instance) PluginOf(instance)->Run(frames);
}

void Deactivate(LV2_Handle instance) {
  if (instance) PluginOf(instance)->Deactivate();
}

void Cleanup(LV2_Handle instance) {
  try {
    delete PluginOf(instance);
  } catch (...) {
  }
}

LV2_State_Status Save(LV2_Handle instance, LV2_State_Store_Function store, LV2_State_Handle handle,
                      std::uint32_t, const LV2_Feature* const*) {
  if (!instance) return LV2_STATE_ERR_UNKNOWN;
  try {
    return PluginOf(instance)->SaveState(store, handle);
  } catch (...) {
    return LV2_STATE_ERR_UNKNOWN;
  }
}

LV2_State_Status Restore(LV2_Handle instance, LV2_State_Retrieve_Function retrieve,
                         LV2_State_Handle handle, std::uint32_t, const LV2_Feature* const*) {
  if (!instance) return LV2_STATE_ERR_UNKNOWN;
  try {
    return PluginOf(instance)->RestoreState(retrieve, handle);
  } catch (...) {
    return LV2_STATE_ERR_UNKNOWN;
  }
}

const void* ExtensionData(const char* uri) {
  static const LV2_State_Interface state{Save, Restore};
  return uri && std::strcmp(uri, LV2_STATE__interface) == 0 ? &state : nullptr;
}

Lv2Ui* UiOf(LV2UI_Handle ui) {
  return static_cast<Lv2Ui*>(ui);
}

LV2UI_Handle InstantiateUi(const LV2UI_Descriptor*, const char*, const char*,
                           LV2UI_Write_Function write, LV2UI_Controller controller,
                           LV2UI_Widget* widget, const LV2_Feature* const* features) {
  try {
    return Lv2Ui::Create(write, controller, widget, features).release();
  } catch (...) {
    return nullptr;
  }
}

void CleanupUi(LV2UI_Handle ui) {
  try {
    delete UiOf(ui);
  } catch (...) {
  }
}

void PortEvent(LV2UI_Handle ui, std::uint32_t port, std::uint32_t size, std::uint32_t format,
               const void* buffer) {
  if (ui) UiOf(ui)->PortEvent(port, size, format, buffer);
}

int Idle(LV2UI_Handle ui) {
  return ui ? UiOf(ui)->Idle() : 1;
}

const void* UiExtensionData(const char* uri) {
  static const LV2UI_Idle_Interface idle{Idle};
  return uri && std::strcmp(uri, LV2_UI__idleInterface) == 0 ? &idle : nullptr;
}

}  // namespace

const LV2_Descriptor* Lv2PluginDescriptor(const Lv2Description& description) {
  gDescription.store(&description);
  static const LV2_Descriptor descriptor{description.mUri.c_str(),
                                         Instantiate,
                                         ConnectPort,
                                         Activate,
                                         Run,
                                         Deactivate,
                                         Cleanup,
                                         ExtensionData};
  return &descriptor;
}

const LV2UI_Descriptor* Lv2UiDescriptor(const Lv2Description& description) {
  gDescription.store(&description);
  static const LV2UI_Descriptor descriptor{description.mUiUri.c_str(), InstantiateUi, CleanupUi,
                                           PortEvent, UiExtensionData};
  return &descriptor;
}
