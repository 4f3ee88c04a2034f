// One preset slot: a name and the plug-in state it stores.
#pragma once

#include <string>

#include "framework/byte_chunk.h"

struct IPreset {
  static constexpr int kMaxNameLen = 255;  // characters, without the terminating zero

  bool mInitialized = false;
  std::string mName = "empty";
  ByteChunk mChunk;
};
