// What the CLAP adapter needs to know of the plug-in it serves: its identity,
// how to make one, the parameters hosts list, and its channels.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/ieffect_base.h"

struct ClapParamDescription {
  int mIdx = 0;         // the parameter's index: its id in every format
  std::string mModule;  // the group hosts show it in, "Track 3" or "Master"
  bool mHostBypass = false;
  bool mChoice = false;  // a switch or a choice: whole values, each named
};

struct ClapDescription {
  const char* mId = "";  // reverse-DNS, never changed once released
  const char* mName = "";
  const char* mVendor = "";
  const char* mVersion = "";  // "1.1.0"
  const char* mSummary = "";
  const char* const* mFeatures = nullptr;  // null-terminated
  std::unique_ptr<IEffectBase> (*mMake)() = nullptr;
  // The parameters hosts list, in their order; the plug-in's others are
  // left out.
  std::vector<ClapParamDescription> mParams;
  std::uint32_t mChannels = 2;  // each way, on one port
  const char* mInputName = "Inputs";
  const char* mOutputName = "Outputs";
};
