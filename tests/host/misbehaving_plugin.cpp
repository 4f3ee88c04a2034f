// A test plug-in that misbehaves as it was built to (FAULT: crash, exit, hang
// or nan) at the moment $QUOR_FIXTURE_FAULT_AT names: "load" (its entry
// point), "process" (its third block, the default) or "close". Until then,
// and at other moments, it passes its two inputs through.
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string_view>

#include "tests/host/fixture_plugin.h"
#include "vst2/vst2_abi.h"

namespace {

constexpr int kFaultBlock = 3;

struct Fixture {
  AEffect effect{};
  audioMasterCallback host = nullptr;
  int blocks = 0;
};

bool FaultAt(std::string_view moment) {
  const char* chosen = std::getenv("QUOR_FIXTURE_FAULT_AT");
  return moment == (chosen != nullptr && *chosen != '\0' ? chosen : "process");
}

// What the plug-in was built to do; false where that is a bad sample instead.
bool Misbehave() {
#if defined(FAULT_CRASH)
  std::signal(SIGSEGV, SIG_DFL);  // past any sanitizer's handler
  std::raise(SIGSEGV);
#elif defined(FAULT_EXIT)
  std::exit(0);
#elif defined(FAULT_HANG)
  for (;;)
    sleep(1);
#endif
  return false;
}

template <typename Sample>
void Process(AEffect* effect, Sample** inputs, Sample** outputs, VstInt32 frames) {
  Fixture& fixture = FixtureOf<Fixture>(effect);
  const bool fault = ++fixture.blocks == kFaultBlock && FaultAt("process") && !Misbehave();
  for (int channel = 0; channel < 2; ++channel)
    std::memcpy(outputs[channel], inputs[channel],
                sizeof(Sample) * static_cast<std::size_t>(frames));
  if (fault && frames > 0) outputs[1][frames / 2] = std::numeric_limits<Sample>::quiet_NaN();
}

VstIntPtr Dispatch(AEffect* effect, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  if (opcode == effClose) {
    if (FaultAt("close")) Misbehave();
    delete &FixtureOf<Fixture>(effect);
  }
  return 0;
}

}  // namespace

extern "C" [[gnu::visibility("default")]] AEffect* VSTPluginMain(audioMasterCallback host) {
  if (FaultAt("load")) Misbehave();
  AEffect& effect = NewFixture<Fixture>(host, Dispatch, FourCharCode('F', 'x', 'M', 'b'),
                                        Process<float>, Process<double>);
  effect.numInputs = 2;
  return &effect;
}
