// A VST 2.4 plug-in loaded as a host loads it: dlopen, the exported entry
// point, effOpen, the rate and block size, then switched on; destruction
// switches it off, closes it and the library. For benchmarks that measure
// QUOR beside other plug-ins, or its loading itself.
#pragma once

#include <string>

#include "vst2/vst2_abi.h"

class HostedPlugin {
 public:
  // Throws std::runtime_error naming what failed.
  HostedPlugin(const std::string& path, double sampleRate, int blockSize);
  ~HostedPlugin();
  HostedPlugin(const HostedPlugin&) = delete;
  HostedPlugin& operator=(const HostedPlugin&) = delete;

  AEffect* Effect() const { return mEffect; }
  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.f) const;
  std::string Text(VstInt32 opcode, VstInt32 index) const;

  // The index of the parameter named so, or -1.
  int FindParam(const std::string& name) const;
  // Sets the parameter to the first normalised value, in steps of 1/1000,
  // whose display starts with `display`; false when none does.
  bool SetDisplayed(const std::string& name, const std::string& display) const;

 private:
  void* mLibrary = nullptr;
  AEffect* mEffect = nullptr;
};
