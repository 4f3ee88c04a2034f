// A MIDI sequence handed to a plug-in block by block as the interface's
// event list, each event at its frame within the block.
#pragma once

#include <cstdint>
#include <vector>

#include "quor-host/midi_file.h"
#include "vst2/vst2_abi.h"

class MidiFeed {
 public:
  MidiFeed() = default;
  MidiFeed(const MidiSequence& sequence, int sampleRate);
  std::int64_t EndFrame() const { return mEndFrame; }
  // The events in [start, start + frames); null when there are none.
  VstEvents* Block(std::int64_t start, std::size_t frames);

 private:
  std::vector<VstMidiEvent> mEvents;
  std::vector<std::int64_t> mFrames;
  std::size_t mNext = 0;
  std::int64_t mEndFrame = 0;
  // The list as the interface lays it out: the count, a reserved word, then
  // as many pointers as the count says.
  std::vector<VstIntPtr> mList;
};
