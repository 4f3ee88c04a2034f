// A test plug-in with latency: it delays its stereo input by exactly
// kDelay frames and reports that latency only once it is switched on, through
// audioMasterIOChanged, as look-ahead plug-ins do. Its parameters take no
// text: "Level" shows decibels, "Shape" one of three words.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "tests/host/fixture_plugin.h"
#include "vst2/vst2_abi.h"

namespace {

constexpr VstInt32 kDelay = 37;
constexpr VstInt32 kLevel = 0;
constexpr VstInt32 kShape = 1;
constexpr VstInt32 kNumParams = 2;
constexpr const char* kShapes[] = {"Soft", "Medium", "Hard"};

struct Fixture {
  AEffect effect{};
  audioMasterCallback host = nullptr;
  float params[kNumParams] = {1.0f, 0.0f};
  std::vector<double> history[2] = {std::vector<double>(kDelay), std::vector<double>(kDelay)};
  std::size_t cursor = 0;
};

Fixture& Of(AEffect* effect) {
  return FixtureOf<Fixture>(effect);
}

double LevelDecibels(const Fixture& fixture) {
  return -60.0 + 60.0 * static_cast<double>(fixture.params[kLevel]);
}

const char* Shape(const Fixture& fixture) {
  return kShapes[std::min(2, static_cast<int>(fixture.params[kShape] * 3.0f))];
}

template <typename Sample>
void Process(AEffect* effect, Sample** inputs, Sample** outputs, VstInt32 frames) {
  Fixture& fixture = Of(effect);
  const double gain = std::pow(10.0, LevelDecibels(fixture) / 20.0);
  for (VstInt32 i = 0; i < frames; ++i) {
    for (int c = 0; c < 2; ++c) {
      const double delayed = fixture.history[c][fixture.cursor];
      fixture.history[c][fixture.cursor] = static_cast<double>(inputs[c][i]);
      outputs[c][i] = static_cast<Sample>(delayed * gain);
    }
    fixture.cursor = (fixture.cursor + 1) % kDelay;
  }
}

VstIntPtr Dispatch(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                   float) {
  Fixture& fixture = Of(effect);
  char text[32] = {};
  switch (opcode) {
    case effClose:
      delete &fixture;
      return 0;
    case effMainsChanged:
      if (value != 0 && effect->initialDelay != kDelay) {
        effect->initialDelay = kDelay;
        fixture.host(effect, audioMasterIOChanged, 0, 0, nullptr, 0.0f);
      }
      return 0;
    case effGetParamName:
      if (index == kLevel) CopyParamText(ptr, "Level");
      if (index == kShape) CopyParamText(ptr, "Shape");
      return 0;
    case effGetParamLabel:
      CopyParamText(ptr, index == kLevel ? "dB" : "");
      return 0;
    case effGetParamDisplay:
      if (index == kLevel) std::snprintf(text, sizeof text, "%.1f", LevelDecibels(fixture));
      if (index == kShape) std::snprintf(text, sizeof text, "%s", Shape(fixture));
      CopyParamText(ptr, text);
      return 0;
    case effGetPlugCategory:
      return kPlugCategEffect;
    case effGetVstVersion:
      return 2400;
    default:
      return 0;
  }
}

}  // namespace

extern "C" [[gnu::visibility("default")]] AEffect* VSTPluginMain(audioMasterCallback host) {
  AEffect& effect = NewFixture<Fixture>(host, Dispatch, FourCharCode('F', 'x', 'D', 'l'),
                                        Process<float>, Process<double>);
  effect.numInputs = 2;
  return &effect;
}
