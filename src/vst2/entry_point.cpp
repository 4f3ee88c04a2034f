#include "vst2/entry_point.h"

#include "vst2/ieffect_vst2.h"

AEffect* InstantiateVST2(const std::function<std::unique_ptr<IEffectBase>()>& makePlug,
                         audioMasterCallback hostCallback) {
  std::unique_ptr<IEffectBase> plug = PlugInstance::MakePlug(makePlug);
  if (!plug) return nullptr;
  try {
    auto adapter = std::make_unique<IEffectVST2>(std::move(plug), hostCallback);
    return adapter.release()->GetAEffect();
  } catch (...) {
    return nullptr;
  }
}
