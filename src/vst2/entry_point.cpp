#include "vst2/entry_point.h"

#include <mutex>

#include "vst2/ieffect_vst2.h"

AEffect* InstantiateVST2(const std::function<std::unique_ptr<IEffectBase>()>& makePlug,
                         audioMasterCallback hostCallback) {
  static std::recursive_mutex entryMutex;
  std::lock_guard lock(entryMutex);
  try {
    std::unique_ptr<IEffectBase> plug = makePlug();
    if (!plug) return nullptr;
    plug->EnsureDefaultPreset();
    auto adapter = std::make_unique<IEffectVST2>(std::move(plug), hostCallback);
    return adapter.release()->GetAEffect();
  } catch (...) {
    return nullptr;
  }
}
