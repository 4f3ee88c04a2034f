// Creating a plug-in for a host: the body of the exported entry points.
#pragma once

#include <memory>
#include <mutex>

#include "vst2/ieffect_vst2.h"

template <class Plugin>
AEffect* InstantiateVST2(audioMasterCallback hostCallback) {
  // Hosts may instantiate from several threads at once.
  static std::recursive_mutex entryMutex;
  std::lock_guard lock(entryMutex);
  try {
    auto plug = std::make_unique<Plugin>(IInstanceInfo{hostCallback});
    plug->EnsureDefaultPreset();
    AEffect* effect = plug->GetAEffect();
    if (effect->numPrograms < 1) effect->numPrograms = 1;
    // From here the host owns the plug-in; effClose deletes it.
    plug.release();
    return effect;
  } catch (...) {
    return nullptr;
  }
}
