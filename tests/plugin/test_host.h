// A host callback for tests that records what the plug-in asks of its host.
#pragma once

#include <cstring>
#include <utility>
#include <vector>

#include "vst2/vst2_abi.h"

struct HostLog {
  std::vector<std::pair<VstInt32, float>> mAutomated;  // index, value
  int mUpdateDisplays = 0;
  int mWantMidi = 0;
  VstTimeInfo mTime{};
  bool mAnswerTime = false;
  const char* mProduct = "QUOR Test Host";
};

inline HostLog& TheHostLog() {
  static HostLog log;
  return log;
}

inline VstIntPtr TestHostCallback(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void* ptr,
                                  float opt) {
  HostLog& log = TheHostLog();
  switch (opcode) {
    case audioMasterVersion:
      return 2400;
    case audioMasterAutomate:
      log.mAutomated.emplace_back(index, opt);
      return 0;
    case audioMasterUpdateDisplay:
      ++log.mUpdateDisplays;
      return 0;
    case audioMasterWantMidi:
      ++log.mWantMidi;
      return 0;
    case audioMasterGetProductString:
      std::strcpy(static_cast<char*>(ptr), log.mProduct);
      return 1;
    case audioMasterGetVendorVersion:
      return 70100;
    case audioMasterGetTime:
      return log.mAnswerTime ? reinterpret_cast<VstIntPtr>(&log.mTime) : 0;
    default:
      return 0;
  }
}
