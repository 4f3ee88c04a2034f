// The built QUOR.so in the VST2 test host, loaded as a host loads it.
#pragma once

#include <stdexcept>

#include "tests/hosts/vst2_test_host.h"
#include "tests/plugin/host_channels.h"

class LoadedPlugin : public Vst2TestHost {
 public:
  explicit LoadedPlugin(const char* entry = "VSTPluginMain", Behaviour behaviour = {})
      : Vst2TestHost(QUOR_SO_PATH, std::move(behaviour), entry) {
    if (!Loaded()) throw std::runtime_error("no effect from QUOR.so");
  }
};
