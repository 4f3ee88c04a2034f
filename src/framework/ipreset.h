// One preset slot: a name and the plug-in state it stores.
#pragma once

#include <string>

#include "framework/byte_chunk.h"

struct FactoryPreset;

struct IPreset {
  static constexpr int kMaxNameLen = 255;  // characters, without the terminating zero

  bool mInitialized = false;
  std::string mName = "empty";
  ByteChunk mChunk;
  // The factory preset the slot holds unchanged, whose values it stands for
  // (mChunk stays empty): restoring it sets the parameters and keeps the
  // texts. Null once the slot stores a state of its own.
  const FactoryPreset* mFactory = nullptr;
};
