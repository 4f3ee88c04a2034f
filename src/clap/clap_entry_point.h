// The library's CLAP entry over one plug-in's descriptor: init and deinit counted in
// pairs, the plug-in factory, its descriptor, and the plug-in objects with
// their extension tables. The entry file of a plug-in defines `clap_entry`
// from ClapEntryFor.
#pragma once

#include "clap/clap_abi.h"
#include "framework/plug_descriptor.h"

bool ClapEntryInit(const char* pluginPath);  // any, one at a time
void ClapEntryDeinit();                      // any, one at a time
// The factory of the plug-in `describe` gives, for the factory id; else null.
const void* ClapEntryFactory(const char* factoryId,
                             const PlugDescriptor& (*describe)());  // any

template <const PlugDescriptor& (*Describe)()>
constexpr clap_plugin_entry_t ClapEntryFor() {
  return {kClapVersion, &ClapEntryInit, &ClapEntryDeinit,
          [](const char* factoryId) { return ClapEntryFactory(factoryId, Describe); }};
}
