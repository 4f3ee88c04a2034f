// A test synthesizer: while a note is held both outputs hold its velocity
// divided by 127, from the exact frame of its note-on to that of its
// note-off, so a render shows where every MIDI event landed.
#include <cstddef>
#include <cstdio>
#include <string_view>

#include "tests/host/fixture_plugin.h"
#include "vst2/vst2_abi.h"

namespace {

constexpr int kMaxEvents = 4096;

struct Fixture {
  AEffect effect{};
  audioMasterCallback host = nullptr;
  int held[128] = {};  // velocity of each held key, 0 when up
  int events = 0;
  VstMidiEvent pending[kMaxEvents] = {};
  double level = 0.0;
};

Fixture& Of(AEffect* effect) {
  return FixtureOf<Fixture>(effect);
}

void Apply(Fixture& fixture, const VstMidiEvent& event) {
  const int status = static_cast<unsigned char>(event.midiData[0]) & 0xF0;
  const int key = event.midiData[1] & 0x7F;
  const int velocity = event.midiData[2] & 0x7F;
  if (status == 0x90 && velocity > 0) {
    fixture.held[key] = velocity;
    fixture.level = velocity / 127.0;
  } else if (status == 0x80 || status == 0x90) {
    fixture.held[key] = 0;
  } else if (status == 0xB0 && key == 123) {
    for (int& held : fixture.held)
      held = 0;
  }
  bool any = false;
  for (const int held : fixture.held)
    any = any || held > 0;
  if (!any) fixture.level = 0.0;
}

template <typename Sample>
void Process(AEffect* effect, Sample**, Sample** outputs, VstInt32 frames) {
  Fixture& fixture = Of(effect);
  int next = 0;
  for (VstInt32 i = 0; i < frames; ++i) {
    while (next < fixture.events && fixture.pending[next].deltaFrames <= i)
      Apply(fixture, fixture.pending[next++]);
    outputs[0][i] = outputs[1][i] = static_cast<Sample>(fixture.level);
  }
  fixture.events = 0;
}

VstIntPtr Dispatch(AEffect* effect, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr, float) {
  Fixture& fixture = Of(effect);
  switch (opcode) {
    case effClose:
      delete &fixture;
      return 0;
    case effProcessEvents: {
      const auto* list = static_cast<const VstEvents*>(ptr);
      // The list holds as many pointers as it counts, beyond the two declared.
      VstEvent* const* events = reinterpret_cast<VstEvent* const*>(
          reinterpret_cast<const char*>(list) + offsetof(VstEvents, events));
      for (int i = 0; i < list->numEvents && fixture.events < kMaxEvents; ++i) {
        if (events[i]->type == kVstMidiType) {
          fixture.pending[fixture.events++] = *reinterpret_cast<const VstMidiEvent*>(events[i]);
        }
      }
      return 1;
    }
    case effCanDo:
      return ptr != nullptr &&
                     std::string_view(static_cast<const char*>(ptr)) == "receiveVstMidiEvent"
                 ? 1
                 : -1;
    case effGetPlugCategory:
      return kPlugCategSynth;
    case effGetVstVersion:
      return 2400;
    default:
      return 0;
  }
}

}  // namespace

extern "C" [[gnu::visibility("default")]] AEffect* VSTPluginMain(audioMasterCallback host) {
  AEffect& effect = NewFixture<Fixture>(host, Dispatch, FourCharCode('F', 'x', 'S', 'y'),
                                        Process<float>, Process<double>);
  effect.flags |= effFlagsIsSynth;
  return &effect;
}
