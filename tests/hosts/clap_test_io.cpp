#include "tests/hosts/clap_test_io.h"

#include <algorithm>
#include <cstddef>
#include <limits>

namespace {

// The size each core event type has; 0 for types a plug-in never sends.
std::size_t CoreEventSize(std::uint16_t type) {
  switch (type) {
    case kClapEventNoteOn:
    case kClapEventNoteOff:
    case kClapEventNoteChoke:
    case kClapEventNoteEnd:
      return sizeof(clap_event_note_t);
    case kClapEventNoteExpression:
      return sizeof(clap_event_note_expression_t);
    case kClapEventParamValue:
      return sizeof(clap_event_param_value_t);
    case kClapEventParamMod:
      return sizeof(clap_event_param_mod_t);
    case kClapEventParamGestureBegin:
    case kClapEventParamGestureEnd:
      return sizeof(clap_event_param_gesture_t);
    case kClapEventTransport:
      return sizeof(clap_event_transport_t);
    case kClapEventMidi:
      return sizeof(clap_event_midi_t);
    case kClapEventMidiSysex:
      return sizeof(clap_event_midi_sysex_t);
    case kClapEventMidi2:
      return sizeof(clap_event_midi2_t);
  }
  return 0;
}

clap_event_header_t Header(std::uint32_t size, std::uint32_t time, std::uint16_t type) {
  return {size, time, kClapCoreEventSpace, type, 0};
}

}  // namespace

ClapInputEvents::ClapInputEvents() {
  mList.ctx = this;
  mList.size = [](const clap_input_events_t* list) {
    return static_cast<const ClapInputEvents*>(list->ctx)->Size();
  };
  mList.get = [](const clap_input_events_t* list,
                 std::uint32_t index) -> const clap_event_header_t* {
    const auto* self = static_cast<const ClapInputEvents*>(list->ctx);
    if (index >= self->mEvents.size()) return nullptr;
    return reinterpret_cast<const clap_event_header_t*>(self->mEvents[index].data());
  };
}

void ClapInputEvents::AddBytes(const void* event, std::size_t size) {
  std::vector<std::uint64_t> storage((size + 7) / 8);
  std::memcpy(storage.data(), event, size);
  mEvents.push_back(std::move(storage));
}

void ClapInputEvents::AddParamValue(std::uint32_t time, clap_id param, double value) {
  clap_event_param_value_t event{};
  event.header = Header(sizeof event, time, kClapEventParamValue);
  event.param_id = param;
  // As the one Linux host with CLAP fills them: note 0 and port 0 for a
  // parameter that is not per note.
  event.note_id = 0;
  event.port_index = 0;
  event.channel = -1;
  event.key = -1;
  event.value = value;
  Add(event);
}

void ClapInputEvents::AddGesture(std::uint32_t time, clap_id param, bool begin) {
  clap_event_param_gesture_t event{};
  event.header =
      Header(sizeof event, time, begin ? kClapEventParamGestureBegin : kClapEventParamGestureEnd);
  event.param_id = param;
  Add(event);
}

void ClapInputEvents::AddMidi(std::uint32_t time, std::uint8_t status, std::uint8_t data1,
                              std::uint8_t data2) {
  clap_event_midi_t event{};
  event.header = Header(sizeof event, time, kClapEventMidi);
  event.data[0] = status;
  event.data[1] = data1;
  event.data[2] = data2;
  Add(event);
}

ClapOutputEvents::ClapOutputEvents(std::size_t capacity) : mCapacity(capacity) {
  mList.ctx = this;
  mList.try_push = &TryPush;
}

void ClapOutputEvents::Clear() {
  mEvents.clear();
  mFaults.clear();
}

const clap_event_header_t& ClapOutputEvents::Header(std::size_t i) const {
  return *reinterpret_cast<const clap_event_header_t*>(mEvents[i].data());
}

int ClapOutputEvents::Count(std::uint16_t type) const {
  int n = 0;
  for (std::size_t i = 0; i < mEvents.size(); ++i)
    if (Header(i).space_id == kClapCoreEventSpace && Header(i).type == type) ++n;
  return n;
}

bool ClapOutputEvents::TryPush(const clap_output_events_t* list, const clap_event_header_t* event) {
  auto* self = static_cast<ClapOutputEvents*>(list->ctx);
  if (!event) {
    self->mFaults.emplace_back("a null event pushed");
    return false;
  }
  const std::size_t expected =
      event->space_id == kClapCoreEventSpace ? CoreEventSize(event->type) : 0;
  const std::string what = "event type " + std::to_string(event->type);
  if (expected == 0 || event->size != expected) {
    self->mFaults.push_back(what + " of " + std::to_string(event->size) + " bytes");
    return false;
  }
  if (self->mBlockFrames > 0 && event->time >= self->mBlockFrames)
    self->mFaults.push_back(what + " at frame " + std::to_string(event->time) + " of " +
                            std::to_string(self->mBlockFrames));
  if (!self->mEvents.empty() && event->time < self->Header(self->mEvents.size() - 1).time)
    self->mFaults.push_back(what + " out of time order");
  if (self->mEvents.size() >= self->mCapacity) return false;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(event);
  self->mEvents.emplace_back(bytes, bytes + event->size);
  return true;
}

ClapReadStream::ClapReadStream(std::vector<std::uint8_t> bytes, std::uint64_t maxPerCall,
                               std::uint64_t failAt)
    : mBytes(std::move(bytes)), mMaxPerCall(maxPerCall), mFailAt(failAt) {
  mStream.ctx = this;
  mStream.read = &Read;
}

std::int64_t ClapReadStream::Read(const clap_istream_t* stream, void* buffer, std::uint64_t size) {
  auto* self = static_cast<ClapReadStream*>(stream->ctx);
  ++self->mCalls;
  if (self->mAt >= self->mFailAt) return -1;
  const std::uint64_t left = self->mBytes.size() - self->mAt;
  const std::uint64_t n = std::min({size, left, self->mMaxPerCall, self->mFailAt - self->mAt});
  if (n > 0)  // an empty state has no bytes to point at
    std::memcpy(buffer, self->mBytes.data() + self->mAt, static_cast<std::size_t>(n));
  self->mAt += static_cast<std::size_t>(n);
  return static_cast<std::int64_t>(n);
}

ClapWriteStream::ClapWriteStream(std::uint64_t maxPerCall, std::uint64_t failAt)
    : mMaxPerCall(maxPerCall), mFailAt(failAt) {
  mStream.ctx = this;
  mStream.write = &Write;
}

std::int64_t ClapWriteStream::Write(const clap_ostream_t* stream, const void* buffer,
                                    std::uint64_t size) {
  auto* self = static_cast<ClapWriteStream*>(stream->ctx);
  ++self->mCalls;
  if (self->mBytes.size() >= self->mFailAt) return -1;
  const std::uint64_t n = std::min({size, self->mMaxPerCall, self->mFailAt - self->mBytes.size()});
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  self->mBytes.insert(self->mBytes.end(), bytes, bytes + n);
  return static_cast<std::int64_t>(n);
}

template <typename Sample>
ClapAudioBuffers<Sample>::ClapAudioBuffers(std::vector<std::uint32_t> inputPorts,
                                           std::vector<std::uint32_t> outputPorts,
                                           std::uint32_t frames, bool inPlace)
    : mFrames(frames) {
  for (std::uint32_t channels : inputPorts)
    mInStorage.emplace_back(channels, std::vector<Sample>(frames));
  for (std::uint32_t channels : outputPorts)
    mOutStorage.emplace_back(channels, std::vector<Sample>(frames));
  Bind(mInStorage, mInPointers, mIn);
  Bind(mOutStorage, mOutPointers, mOut);
  if (inPlace) {
    // Each output port writes over the input port of the same index.
    for (std::size_t p = 0; p < mOut.size() && p < mIn.size(); ++p)
      for (std::size_t c = 0; c < mOutPointers[p].size() && c < mInPointers[p].size(); ++c)
        mOutPointers[p][c] = mInPointers[p][c];
  }
}

template <typename Sample>
void ClapAudioBuffers<Sample>::Bind(std::vector<Channels>& storage,
                                    std::vector<std::vector<Sample*>>& pointers,
                                    std::vector<clap_audio_buffer_t>& buffers) {
  pointers.resize(storage.size());
  buffers.resize(storage.size());
  for (std::size_t p = 0; p < storage.size(); ++p) {
    for (auto& channel : storage[p])
      pointers[p].push_back(channel.data());
    clap_audio_buffer_t& buffer = buffers[p];
    buffer = {};
    if constexpr (std::is_same_v<Sample, float>)
      buffer.data32 = pointers[p].data();
    else
      buffer.data64 = pointers[p].data();
    buffer.channel_count = static_cast<std::uint32_t>(storage[p].size());
  }
}

template <typename Sample>
void ClapAudioBuffers<Sample>::Fill(
    const std::function<Sample(std::size_t, std::size_t, std::uint32_t)>& signal) {
  for (auto& port : mOutStorage)
    for (auto& channel : port)
      std::fill(channel.begin(), channel.end(), std::numeric_limits<Sample>::quiet_NaN());
  for (std::size_t p = 0; p < mInPointers.size(); ++p)
    for (std::size_t c = 0; c < mInPointers[p].size(); ++c)
      for (std::uint32_t f = 0; f < mFrames; ++f)
        mInPointers[p][c][f] = signal(p, c, f);
}

template class ClapAudioBuffers<float>;
template class ClapAudioBuffers<double>;
