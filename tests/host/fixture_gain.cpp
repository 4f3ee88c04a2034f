// A minimal VST 2.4 plug-in for testing the host: stereo gain with a polarity
// switch, one program, state as a chunk. It checks the host's protocol as it
// goes and outputs silence when the host breaks it, so exact-sample tests
// catch protocol faults too.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "tests/host/fixture_plugin.h"
#include "vst2/vst2_abi.h"

namespace {

constexpr VstInt32 kGain = 0;
constexpr VstInt32 kInvert = 1;
constexpr VstInt32 kNumParams = 2;
constexpr double kMinDecibels = -24.0;
constexpr double kRangeDecibels = 48.0;
constexpr unsigned char kChunkMagic[4] = {'t', 'f', 'f', 'p'};
constexpr std::size_t kChunkSize = 8 + 2 * sizeof(double);

struct Fixture {
  AEffect effect{};
  audioMasterCallback host = nullptr;
  float params[kNumParams] = {0.5f, 0.0f};
  char programName[kVstMaxProgNameLen + 1] = "Init";
  unsigned char chunk[kChunkSize] = {};
  double sampleRate = 0.0;
  bool mainsOn = false;
  bool started = false;
  double framesDone = 0.0;
  bool protocolBroken = false;
};

Fixture& Of(AEffect* effect) {
  return FixtureOf<Fixture>(effect);
}

double GainDecibels(const Fixture& fixture) {
  return kMinDecibels + kRangeDecibels * static_cast<double>(fixture.params[kGain]);
}

double Factor(const Fixture& fixture) {
  const double sign = fixture.params[kInvert] >= 0.5f ? -1.0 : 1.0;
  return sign * std::pow(10.0, GainDecibels(fixture) / 20.0);
}

// Checks what the host says about time and level against what it was told.
void CheckHost(Fixture& fixture) {
  AEffect* const effect = &fixture.effect;
  const auto* time = reinterpret_cast<const VstTimeInfo*>(
      fixture.host(effect, audioMasterGetTime, 0, kVstTempoValid, nullptr, 0.0f));
  const bool timeRight = time != nullptr && time->samplePos == fixture.framesDone &&
                         time->sampleRate == fixture.sampleRate && time->tempo == 120.0 &&
                         (time->flags & kVstTempoValid) != 0;
  const bool offline = fixture.host(effect, audioMasterGetCurrentProcessLevel, 0, 0, nullptr,
                                    0.0f) == kVstProcessLevelOffline;
  if (!fixture.mainsOn || !fixture.started || !timeRight || !offline) fixture.protocolBroken = true;
}

template <typename Sample>
void Process(AEffect* effect, Sample** inputs, Sample** outputs, VstInt32 frames) {
  Fixture& fixture = Of(effect);
  CheckHost(fixture);
  const double factor = fixture.protocolBroken ? 0.0 : Factor(fixture);
  for (int channel = 0; channel < 2; ++channel) {
    for (VstInt32 i = 0; i < frames; ++i) {
      outputs[channel][i] = static_cast<Sample>(static_cast<double>(inputs[channel][i]) * factor);
    }
  }
  fixture.framesDone += frames;
}

void ProcessAccumulating(AEffect* effect, float** inputs, float** outputs, VstInt32 frames) {
  Process(effect, inputs, outputs, frames);
}

VstIntPtr GetChunk(Fixture& fixture, void* ptr) {
  std::memcpy(fixture.chunk, kChunkMagic, 4);
  const std::uint32_t version = 0x00010000;
  std::memcpy(fixture.chunk + 4, &version, 4);
  for (int i = 0; i < kNumParams; ++i) {
    const auto value = static_cast<double>(fixture.params[i]);
    std::memcpy(fixture.chunk + 8 + i * sizeof(double), &value, sizeof(double));
  }
  *static_cast<void**>(ptr) = fixture.chunk;
  return static_cast<VstIntPtr>(kChunkSize);
}

VstIntPtr SetChunk(Fixture& fixture, VstIntPtr size, const void* ptr) {
  const auto* bytes = static_cast<const unsigned char*>(ptr);
  if (ptr == nullptr || size != static_cast<VstIntPtr>(kChunkSize) ||
      std::memcmp(bytes, kChunkMagic, 4) != 0) {
    return 0;
  }
  for (int i = 0; i < kNumParams; ++i) {
    double value = 0.0;
    std::memcpy(&value, bytes + 8 + i * sizeof(double), sizeof(double));
    fixture.params[i] = static_cast<float>(std::clamp(value, 0.0, 1.0));
  }
  return 1;
}

VstIntPtr String2Parameter(Fixture& fixture, VstInt32 index, const char* text) {
  if (text == nullptr) return 1;
  const std::string_view value(text);
  if (index == kInvert) {
    if (value != "on" && value != "off") return 0;
    fixture.params[kInvert] = value == "on" ? 1.0f : 0.0f;
    return 1;
  }
  const double decibels = std::clamp(std::atof(text), kMinDecibels, kMinDecibels + kRangeDecibels);
  fixture.params[kGain] = static_cast<float>((decibels - kMinDecibels) / kRangeDecibels);
  return 1;
}

VstIntPtr Dispatch(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                   float opt) {
  Fixture& fixture = Of(effect);
  const bool validParam = index >= 0 && index < kNumParams;
  char text[32] = {};
  switch (opcode) {
    case effClose:
      delete &fixture;
      return 0;
    case effSetSampleRate:
      fixture.sampleRate = static_cast<double>(opt);
      return 0;
    case effMainsChanged:
      fixture.mainsOn = value != 0;
      return 0;
    case effStartProcess:
      fixture.started = true;
      fixture.framesDone = 0.0;
      return 0;
    case effStopProcess:
      fixture.started = false;
      return 0;
    case effGetProgram:
      return 0;
    case effSetProgramName:
      std::snprintf(fixture.programName, sizeof fixture.programName, "%s",
                    static_cast<const char*>(ptr));
      return 0;
    case effGetProgramName:
    case effGetProgramNameIndexed:
      if (opcode == effGetProgramNameIndexed && index != 0) return 0;
      std::strcpy(static_cast<char*>(ptr), fixture.programName);
      return 1;
    case effGetParamName:
      if (validParam) CopyParamText(ptr, index == kGain ? "Gain" : "Invert");
      return 0;
    case effGetParamLabel:
      if (validParam) CopyParamText(ptr, index == kGain ? "dB" : "");
      return 0;
    case effGetParamDisplay:
      if (index == kGain) std::snprintf(text, sizeof text, "%.2f", GainDecibels(fixture));
      if (index == kInvert)
        std::snprintf(text, sizeof text, "%s", fixture.params[1] >= 0.5f ? "on" : "off");
      if (validParam) CopyParamText(ptr, text);
      return 0;
    case effString2Parameter:
      return validParam ? String2Parameter(fixture, index, static_cast<const char*>(ptr)) : 0;
    case effGetChunk:
      return GetChunk(fixture, ptr);
    case effSetChunk:
      return SetChunk(fixture, value, ptr);
    case effGetEffectName:
      std::strcpy(static_cast<char*>(ptr), "Fixture Gain");
      return 1;
    case effGetVendorString:
      std::strcpy(static_cast<char*>(ptr), "QUOR tests");
      return 1;
    case effGetProductString:
      std::strcpy(static_cast<char*>(ptr), "Fixture");
      return 1;
    case effGetVendorVersion:
      return 10203;
    case effGetVstVersion:
      return 2400;
    case effGetPlugCategory:
      return kPlugCategEffect;
    default:
      return 0;
  }
}

}  // namespace

extern "C" [[gnu::visibility("default")]] AEffect* VSTPluginMain(audioMasterCallback host) {
  AEffect& effect = NewFixture<Fixture>(host, Dispatch, FourCharCode('F', 'x', 'G', 'n'),
                                        Process<float>, Process<double>);
  effect.process = ProcessAccumulating;
  effect.numPrograms = 1;
  effect.numInputs = 2;
  effect.flags |= effFlagsProgramChunks;
  effect.version = 10203;
  return &effect;
}
