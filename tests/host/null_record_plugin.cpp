// An entry point that hands back no effect record.
#include "vst2/vst2_abi.h"

extern "C" [[gnu::visibility("default")]] AEffect* VSTPluginMain(audioMasterCallback) {
  return nullptr;
}
