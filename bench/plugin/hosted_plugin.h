// A VST 2.4 plug-in in the VST2 test host, loaded as a host loads it: open,
// the rate and block size, then switched on; destruction switches it off and
// closes it. For benchmarks that measure QUOR beside other plug-ins, or its
// loading itself; the host records nothing, to stay out of the measurement.
#pragma once

#include <string>

#include "tests/hosts/vst2_test_host.h"

class HostedPlugin : public Vst2TestHost {
 public:
  // Throws std::runtime_error naming what failed.
  HostedPlugin(const std::string& path, double sampleRate, int blockSize);
  ~HostedPlugin() override;

  // Sets the parameter to the first normalised value, in steps of 1/1000,
  // whose display starts with `display`; false when none does.
  bool SetDisplayed(const std::string& name, const std::string& display) const;
};
