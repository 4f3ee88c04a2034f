// The events a plug-in sends the host's next plug-ins during one audio
// callback, kept until the callback has let go of the plug-in's mutex and
// then sent as one list: the host hears nothing from a plug-in that holds its
// mutex. Fixed room, taken at construction; what does not fit is refused, as
// a host that takes no more would refuse it. The audio thread's alone.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "framework/midi.h"
#include "vst2/vst2_abi.h"

class EventOutbox {
 public:
  static constexpr int kMaxEvents = 512;
  static constexpr std::size_t kSysExBytes = std::size_t{1} << 16;

  EventOutbox() : mSysExBytes(kSysExBytes) {}
  bool Add(const IMidiMsg& msg);
  // The message's bytes are copied: they need not outlive the call.
  bool Add(const ISysEx& msg);
  bool Empty() const { return mList.numEvents == 0; }
  // The list as the host takes it; valid until Clear.
  VstEvents* List() { return reinterpret_cast<VstEvents*>(&mList); }
  void Clear();

 private:
  // Laid out as the host's event list, with room for every event.
  struct HostList {
    VstInt32 numEvents = 0;
    VstIntPtr reserved = 0;
    std::array<VstEvent*, kMaxEvents> events{};
  };
  static_assert(offsetof(HostList, reserved) == offsetof(VstEvents, reserved));
  static_assert(offsetof(HostList, events) == offsetof(VstEvents, events));

  HostList mList;
  std::array<VstMidiEvent, kMaxEvents> mMidi{};
  std::array<VstMidiSysexEvent, kMaxEvents> mSysEx{};
  std::vector<char> mSysExBytes;
  std::size_t mSysExUsed = 0;
};
