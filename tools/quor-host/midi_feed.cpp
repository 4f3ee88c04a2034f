#include "quor-host/midi_feed.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

namespace {
constexpr std::size_t kListHeaderWords = 2;
static_assert(offsetof(VstEvents, events) == kListHeaderWords * sizeof(VstIntPtr));
}  // namespace

MidiFeed::MidiFeed(const MidiSequence& sequence, int sampleRate) {
  mEvents.reserve(sequence.messages.size());
  for (const MidiMessage& message : sequence.messages) {
    VstMidiEvent event{};
    event.type = kVstMidiType;
    event.byteSize = sizeof(VstMidiEvent);
    for (std::size_t i = 0; i < message.bytes.size(); ++i)
      event.midiData[i] = static_cast<char>(message.bytes[i]);
    mEvents.push_back(event);
    mFrames.push_back(std::llround(message.seconds * sampleRate));
  }
  mEndFrame = std::llround(sequence.endSeconds * sampleRate);
  mList.resize(kListHeaderWords + mEvents.size());
}

VstEvents* MidiFeed::Block(std::int64_t start, std::size_t frames) {
  const std::int64_t end = start + static_cast<std::int64_t>(frames);
  VstInt32 count = 0;
  for (; mNext < mEvents.size() && mFrames[mNext] < end; ++mNext) {
    VstMidiEvent& event = mEvents[mNext];
    event.deltaFrames = static_cast<VstInt32>(std::max<std::int64_t>(mFrames[mNext] - start, 0));
    mList[kListHeaderWords + static_cast<std::size_t>(count)] = reinterpret_cast<VstIntPtr>(&event);
    ++count;
  }
  if (count == 0) return nullptr;
  mList[0] = 0;
  std::memcpy(mList.data(), &count, sizeof count);
  mList[1] = 0;
  return reinterpret_cast<VstEvents*>(mList.data());
}
