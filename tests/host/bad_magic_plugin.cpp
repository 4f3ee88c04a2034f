// A record with the wrong magic, reachable only through the old entry name,
// so that finding it exercises the host's fallback to "main".
#include "vst2/vst2_abi.h"

namespace {
AEffect record{};
}

extern "C" [[gnu::visibility("default")]] AEffect* OldEntry(audioMasterCallback) asm("main");
extern "C" AEffect* OldEntry(audioMasterCallback) {
  record.magic = FourCharCode('n', 'o', 'p', 'e');
  return &record;
}
