// QUOR's own classes linked in, behind the VST2 adapter as the entry point
// puts them, and closed as a host closes them.
#pragma once

#include <memory>

#include "plugin/quor.h"
#include "vst2/entry_point.h"
#include "vst2/ieffect_vst2.h"

class LinkedConsole {
 public:
  explicit LinkedConsole(QUOR::Editor editor = QUOR::Editor::kWindowed,
                         audioMasterCallback host = nullptr)
      : mEffect(InstantiateVST2([editor] { return std::make_unique<QUOR>(editor); }, host)) {}
  ~LinkedConsole() { mEffect->dispatcher(mEffect, effClose, 0, 0, nullptr, 0.f); }
  LinkedConsole(const LinkedConsole&) = delete;
  LinkedConsole& operator=(const LinkedConsole&) = delete;

  AEffect* Effect() const { return mEffect; }
  QUOR& Console() const { return *static_cast<QUOR*>(IEffectVST2::PluginOf(mEffect)); }
  QUOR* operator->() const { return &Console(); }
  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.f) const {
    return mEffect->dispatcher(mEffect, opcode, index, value, ptr, opt);
  }

 private:
  AEffect* mEffect;
};
