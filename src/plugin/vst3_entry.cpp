// The three functions a VST3 host looks up in QUOR.vst3/Contents/x86_64-linux/QUOR.so.
#include "plugin/quor_descriptor.h"
#include "vst3/module_entry.h"

extern "C" __attribute__((visibility("default"))) vst3::IPluginFactory* GetPluginFactory() {
  return Vst3Factory(QuorDescriptor());
}

extern "C" __attribute__((visibility("default"))) bool ModuleEntry(void* sharedLibraryHandle) {
  return Vst3ModuleEntry(sharedLibraryHandle);
}

extern "C" __attribute__((visibility("default"))) bool ModuleExit() {
  return Vst3ModuleExit();
}
