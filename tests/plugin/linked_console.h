// QUOR's own classes linked in, behind the VST2 adapter as the entry point
// puts them, in the VST2 test host.
#pragma once

#include <memory>

#include "plugin/quor.h"
#include "tests/hosts/vst2_test_host.h"
#include "vst2/entry_point.h"
#include "vst2/ieffect_vst2.h"

class LinkedConsole : public Vst2TestHost {
 public:
  explicit LinkedConsole(QUOR::Editor editor = QUOR::Editor::kWindowed, Behaviour behaviour = {})
      : Vst2TestHost(
            [editor](audioMasterCallback host) {
              return InstantiateVST2([editor] { return std::make_unique<QUOR>(editor); }, host);
            },
            std::move(behaviour)) {}

  QUOR& Console() const { return *static_cast<QUOR*>(IEffectVST2::PluginOf(Effect())); }
  QUOR* operator->() const { return &Console(); }
};
