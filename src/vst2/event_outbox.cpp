#include "vst2/event_outbox.h"

#include <algorithm>
#include <cstring>

bool EventOutbox::Add(const IMidiMsg& msg) {
  const auto n = static_cast<std::size_t>(mList.numEvents);
  if (n >= kMaxEvents) return false;
  VstMidiEvent& event = mMidi[n];
  event = VstMidiEvent{};
  event.type = kVstMidiType;
  event.byteSize = sizeof(VstMidiEvent);
  event.deltaFrames = msg.mOffset;
  event.midiData[0] = static_cast<char>(msg.mStatus);
  event.midiData[1] = static_cast<char>(msg.mData1);
  event.midiData[2] = static_cast<char>(msg.mData2);
  mList.events[n] = reinterpret_cast<VstEvent*>(&event);
  ++mList.numEvents;
  return true;
}

bool EventOutbox::Add(const ISysEx& msg) {
  const auto n = static_cast<std::size_t>(mList.numEvents);
  const auto size = static_cast<std::size_t>(std::max(msg.mSize, 0));
  if (n >= kMaxEvents || (size > 0 && !msg.mData) || size > mSysExBytes.size() - mSysExUsed)
    return false;
  char* bytes = mSysExBytes.data() + mSysExUsed;
  if (size > 0) std::memcpy(bytes, msg.mData, size);
  mSysExUsed += size;
  VstMidiSysexEvent& event = mSysEx[n];
  event = VstMidiSysexEvent{};
  event.type = kVstSysExType;
  event.byteSize = sizeof(VstMidiSysexEvent);
  event.deltaFrames = msg.mOffset;
  event.dumpBytes = static_cast<VstInt32>(size);
  event.sysexDump = bytes;
  mList.events[n] = reinterpret_cast<VstEvent*>(&event);
  ++mList.numEvents;
  return true;
}

void EventOutbox::Clear() {
  mList.numEvents = 0;
  mSysExUsed = 0;
}
