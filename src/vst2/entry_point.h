// Creating a plug-in for a host: the body of the exported entry points.
#pragma once

#include <functional>
#include <memory>

#include "framework/ieffect_base.h"
#include "vst2/vst2_abi.h"

// Makes the plug-in under a process-wide lock (hosts may instantiate from
// several threads at once), puts the adapter around it and hands the host its
// record; null when the plug-in could not be made. From then on the host owns
// the instance: effClose deletes it.
AEffect* InstantiateVST2(const std::function<std::unique_ptr<IEffectBase>()>& makePlug,
                         audioMasterCallback hostCallback);

template <class Plugin>
AEffect* InstantiateVST2(audioMasterCallback hostCallback) {
  return InstantiateVST2([] { return std::make_unique<Plugin>(); }, hostCallback);
}
