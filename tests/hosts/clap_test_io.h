// What a CLAP host hands a plug-in besides calls: event lists both ways,
// streams that move a few bytes at a time, and the channel buffers of one
// process call.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "clap/clap_abi.h"

// Events to the plug-in, kept in the order added (the host's job is to add
// them sorted by time; a test may break that on purpose).
class ClapInputEvents {
 public:
  ClapInputEvents();
  ClapInputEvents(const ClapInputEvents&) = delete;
  ClapInputEvents& operator=(const ClapInputEvents&) = delete;

  template <typename Event>
  void Add(const Event& event) {
    static_assert(std::is_trivially_copyable_v<Event>);
    AddBytes(&event, sizeof event);
  }
  void AddParamValue(std::uint32_t time, clap_id param, double value);
  void AddGesture(std::uint32_t time, clap_id param, bool begin);
  void AddMidi(std::uint32_t time, std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
  void Clear() { mEvents.clear(); }
  std::uint32_t Size() const { return static_cast<std::uint32_t>(mEvents.size()); }
  const clap_input_events_t* List() const { return &mList; }

 private:
  void AddBytes(const void* event, std::size_t size);

  // Each event in storage of its own, aligned for any event's doubles.
  std::vector<std::vector<std::uint64_t>> mEvents;
  clap_input_events_t mList;
};

// Events from the plug-in, copied as they are pushed, and checked as a host
// must be able to rely on them: whole, known, in time order, in the block.
class ClapOutputEvents {
 public:
  // `capacity`: how many events it keeps before try_push says no.
  explicit ClapOutputEvents(std::size_t capacity = 4096);
  ClapOutputEvents(const ClapOutputEvents&) = delete;
  ClapOutputEvents& operator=(const ClapOutputEvents&) = delete;

  const clap_output_events_t* List() const { return &mList; }
  // Events beyond this time count as misplaced (the frames of the call).
  void SetBlockFrames(std::uint32_t frames) { mBlockFrames = frames; }
  void Clear();

  const std::vector<std::vector<std::uint8_t>>& Events() const { return mEvents; }
  const clap_event_header_t& Header(std::size_t i) const;
  template <typename Event>
  Event As(std::size_t i) const {
    Event event{};
    std::memcpy(&event, mEvents[i].data(), std::min(sizeof event, mEvents[i].size()));
    return event;
  }
  int Count(std::uint16_t type) const;
  // Faults in what was pushed, one line each.
  const std::vector<std::string>& Faults() const { return mFaults; }

 private:
  static bool TryPush(const clap_output_events_t* list, const clap_event_header_t* event);

  std::size_t mCapacity;
  std::uint32_t mBlockFrames = 0;
  std::vector<std::vector<std::uint8_t>> mEvents;
  std::vector<std::string> mFaults;
  clap_output_events_t mList;
};

// A state handed over at most `maxPerCall` bytes a read; from byte
// `failAt` on every read fails (-1).
class ClapReadStream {
 public:
  ClapReadStream(std::vector<std::uint8_t> bytes, std::uint64_t maxPerCall,
                 std::uint64_t failAt = UINT64_MAX);
  const clap_istream_t* Stream() const { return &mStream; }
  int Calls() const { return mCalls; }

 private:
  static std::int64_t Read(const clap_istream_t* stream, void* buffer, std::uint64_t size);

  std::vector<std::uint8_t> mBytes;
  std::uint64_t mMaxPerCall;
  std::uint64_t mFailAt;
  std::size_t mAt = 0;
  int mCalls = 0;
  clap_istream_t mStream;
};

// A state taken at most `maxPerCall` bytes a write; once `failAt` bytes are
// in, every write fails (-1).
class ClapWriteStream {
 public:
  explicit ClapWriteStream(std::uint64_t maxPerCall, std::uint64_t failAt = UINT64_MAX);
  const clap_ostream_t* Stream() const { return &mStream; }
  const std::vector<std::uint8_t>& Bytes() const { return mBytes; }
  int Calls() const { return mCalls; }

 private:
  static std::int64_t Write(const clap_ostream_t* stream, const void* buffer, std::uint64_t size);

  std::vector<std::uint8_t> mBytes;
  std::uint64_t mMaxPerCall;
  std::uint64_t mFailAt;
  int mCalls = 0;
  clap_ostream_t mStream;
};

// The channel buffers of process calls: one port of `channels` each way (or
// several), 32- or 64-bit, separate or the same memory both ways.
template <typename Sample>
class ClapAudioBuffers {
 public:
  ClapAudioBuffers(std::vector<std::uint32_t> inputPorts, std::vector<std::uint32_t> outputPorts,
                   std::uint32_t frames, bool inPlace = false);

  Sample* In(std::size_t port, std::size_t channel) { return mInPointers[port][channel]; }
  Sample* Out(std::size_t port, std::size_t channel) { return mOutPointers[port][channel]; }
  std::uint32_t Frames() const { return mFrames; }
  // Every input channel from `signal(port, channel, frame)`; outputs poisoned
  // with a value no plug-in writes by chance.
  void Fill(const std::function<Sample(std::size_t, std::size_t, std::uint32_t)>& signal);

  const clap_audio_buffer_t* Inputs() const { return mIn.data(); }
  clap_audio_buffer_t* Outputs() { return mOut.data(); }
  std::uint32_t InputCount() const { return static_cast<std::uint32_t>(mIn.size()); }
  std::uint32_t OutputCount() const { return static_cast<std::uint32_t>(mOut.size()); }

 private:
  using Channels = std::vector<std::vector<Sample>>;
  static void Bind(std::vector<Channels>& storage, std::vector<std::vector<Sample*>>& pointers,
                   std::vector<clap_audio_buffer_t>& buffers);

  std::uint32_t mFrames;
  std::vector<Channels> mInStorage;
  std::vector<Channels> mOutStorage;
  std::vector<std::vector<Sample*>> mInPointers;
  std::vector<std::vector<Sample*>> mOutPointers;
  std::vector<clap_audio_buffer_t> mIn;
  std::vector<clap_audio_buffer_t> mOut;
};

extern template class ClapAudioBuffers<float>;
extern template class ClapAudioBuffers<double>;
