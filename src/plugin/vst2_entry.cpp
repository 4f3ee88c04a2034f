// The two symbols a host looks up; nothing else leaves the shared object.
#include "plugin/quor.h"
#include "vst2/entry_point.h"

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(
    audioMasterCallback hostCallback) {
  return InstantiateVST2<QUOR>(hostCallback);
}

// Older hosts look for "main"; the assembler name gives it to a function that
// the compiler does not treat as the program's entry.
extern "C" __attribute__((visibility("default"))) AEffect* LegacyVSTPluginMain(
    audioMasterCallback hostCallback) __asm__("main");

AEffect* LegacyVSTPluginMain(audioMasterCallback hostCallback) {
  return VSTPluginMain(hostCallback);
}
