// What the test plug-ins share: each keeps its state in a struct whose
// AEffect is the record handed to the host, with a host pointer and, where it
// has parameters, their normalised values in params.
#pragma once

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string_view>

#include "vst2/vst2_abi.h"

template <typename Fixture>
Fixture& FixtureOf(AEffect* effect) {
  return *static_cast<Fixture*>(effect->object);
}

// A parameter's name, label or display as the interface takes it: at most
// kVstMaxParamStrLen characters and the terminator.
inline void CopyParamText(void* ptr, std::string_view text) {
  auto* out = static_cast<char*>(ptr);
  const std::size_t length = std::min<std::size_t>(text.size(), kVstMaxParamStrLen);
  std::memcpy(out, text.data(), length);
  out[length] = '\0';
}

template <typename Fixture>
void SetFixtureParameter(AEffect* effect, VstInt32 index, float value) {
  Fixture& fixture = FixtureOf<Fixture>(effect);
  if (index >= 0 && index < static_cast<VstInt32>(std::size(fixture.params))) {
    fixture.params[index] = value;
  }
}

template <typename Fixture>
float GetFixtureParameter(AEffect* effect, VstInt32 index) {
  Fixture& fixture = FixtureOf<Fixture>(effect);
  return index >= 0 && index < static_cast<VstInt32>(std::size(fixture.params))
             ? fixture.params[index]
             : 0.0f;
}

// A new instance whose record carries the interface's constants, its
// dispatcher, its two outputs with the replacing calls of both precisions
// that every fixture has and, for fixtures with parameters, their accessors;
// the dispatcher deletes it on effClose.
template <typename Fixture>
AEffect& NewFixture(audioMasterCallback host, AEffectDispatcherProc dispatcher, VstInt32 id,
                    AEffectProcessProc replacing, AEffectProcessDoubleProc doubleReplacing) {
  auto* fixture = new Fixture;
  fixture->host = host;
  AEffect& effect = fixture->effect;
  effect.magic = kEffectMagic;
  effect.dispatcher = dispatcher;
  effect.object = fixture;
  effect.uniqueID = id;
  effect.ioRatio = 1.0f;
  effect.numOutputs = 2;
  effect.flags = effFlagsCanReplacing | effFlagsCanDoubleReplacing;
  effect.processReplacing = replacing;
  effect.processDoubleReplacing = doubleReplacing;
  if constexpr (requires { fixture->params; }) {
    effect.setParameter = SetFixtureParameter<Fixture>;
    effect.getParameter = GetFixtureParameter<Fixture>;
    effect.numParams = static_cast<VstInt32>(std::size(fixture->params));
  }
  return effect;
}
