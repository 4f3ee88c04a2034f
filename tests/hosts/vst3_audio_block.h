// The buffers and the ProcessData of one process call, laid out as a host
// lays them out: each channel its own buffers, in place (the output is the
// input), or as Ardour does, connected buses in place and every channel of
// an unconnected bus reading one shared silent buffer and writing one shared
// scratch buffer. 32- or 64-bit samples.
#pragma once

#include <algorithm>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "tests/hosts/vst3_host_objects.h"
#include "vst3/vst3_processing.h"

namespace vst3_test {

enum class BufferLayout { kSeparate, kInPlace, kShared };

template <typename Sample>
class Vst3AudioBlock {
 public:
  static_assert(std::is_same_v<Sample, float> || std::is_same_v<Sample, double>);

  // `connected`: bit b set when bus b is connected (kShared only).
  Vst3AudioBlock(int inBuses, int outBuses, int channelsPerBus, int maxFrames,
                 BufferLayout layout = BufferLayout::kSeparate, std::uint32_t connected = ~0u)
      : mChannels(channelsPerBus),
        mMaxFrames(maxFrames),
        mInputs(static_cast<std::size_t>(inBuses * channelsPerBus),
                std::vector<Sample>(static_cast<std::size_t>(maxFrames))),
        mOutputs(static_cast<std::size_t>(outBuses * channelsPerBus),
                 std::vector<Sample>(static_cast<std::size_t>(maxFrames))),
        mSilent(static_cast<std::size_t>(maxFrames)),
        mScratch(static_cast<std::size_t>(maxFrames)),
        mInBuses(static_cast<std::size_t>(inBuses)),
        mOutBuses(static_cast<std::size_t>(outBuses)) {
    mInPointers.resize(mInputs.size());
    mOutPointers.resize(mOutputs.size());
    for (std::size_t c = 0; c < mInputs.size(); ++c) {
      const bool live = layout != BufferLayout::kShared || Connected(connected, c);
      mInPointers[c] = live ? mInputs[c].data() : mSilent.data();
    }
    for (std::size_t c = 0; c < mOutputs.size(); ++c) {
      const bool live = layout != BufferLayout::kShared || Connected(connected, c);
      const bool inPlace = layout != BufferLayout::kSeparate && c < mInputs.size();
      mOutPointers[c] = !live ? mScratch.data() : inPlace ? mInPointers[c] : mOutputs[c].data();
    }
    for (std::size_t b = 0; b < mInBuses.size(); ++b)
      Bind(mInBuses[b], mInPointers.data() + b * static_cast<std::size_t>(mChannels));
    for (std::size_t b = 0; b < mOutBuses.size(); ++b)
      Bind(mOutBuses[b], mOutPointers.data() + b * static_cast<std::size_t>(mChannels));
  }
  Vst3AudioBlock(const Vst3AudioBlock&) = delete;
  Vst3AudioBlock& operator=(const Vst3AudioBlock&) = delete;

  int InChannels() const { return static_cast<int>(mInputs.size()); }
  int OutChannels() const { return static_cast<int>(mOutputs.size()); }
  // Where the host writes a channel's input and reads its output.
  Sample* In(int channel) { return mInPointers[static_cast<std::size_t>(channel)]; }
  Sample* Out(int channel) { return mOutPointers[static_cast<std::size_t>(channel)]; }
  Sample* const* InPointers() { return mInPointers.data(); }
  Sample* const* OutPointers() { return mOutPointers.data(); }
  vst3::AudioBusBuffers& InBus(int bus) { return mInBuses[static_cast<std::size_t>(bus)]; }
  vst3::AudioBusBuffers& OutBus(int bus) { return mOutBuses[static_cast<std::size_t>(bus)]; }

  // The record of one call; the pointers stay valid while the block lives.
  vst3::ProcessData& Data(int frames, vst3::IParameterChanges* in = nullptr,
                          vst3::IParameterChanges* out = nullptr,
                          vst3::IEventList* inEvents = nullptr,
                          vst3::IEventList* outEvents = nullptr,
                          vst3::ProcessContext* context = nullptr,
                          vst3::int32 mode = vst3::kRealtime) {
    // A shared silent buffer stays silent whatever a plug-in wrote before.
    std::fill(mSilent.begin(), mSilent.end(), Sample{0});
    for (auto& bus : mOutBuses)
      bus.silenceFlags = 0;
    mData = {};
    mData.processMode = mode;
    mData.symbolicSampleSize = std::is_same_v<Sample, float> ? vst3::kSample32 : vst3::kSample64;
    mData.numSamples = std::min(frames, mMaxFrames);
    mData.numInputs = static_cast<vst3::int32>(mInBuses.size());
    mData.numOutputs = static_cast<vst3::int32>(mOutBuses.size());
    mData.inputs = mInBuses.empty() ? nullptr : mInBuses.data();
    mData.outputs = mOutBuses.empty() ? nullptr : mOutBuses.data();
    mData.inputParameterChanges = in;
    mData.outputParameterChanges = out;
    mData.inputEvents = inEvents;
    mData.outputEvents = outEvents;
    mData.processContext = context;
    return mData;
  }

 private:
  bool Connected(std::uint32_t mask, std::size_t channel) const {
    const std::size_t bus = channel / static_cast<std::size_t>(mChannels);
    return bus < 32 && (mask >> bus) & 1u;
  }
  void Bind(vst3::AudioBusBuffers& bus, Sample** channels) {
    bus.numChannels = mChannels;
    bus.silenceFlags = 0;
    if constexpr (std::is_same_v<Sample, float>)
      bus.channelBuffers32 = channels;
    else
      bus.channelBuffers64 = channels;
  }

  int mChannels;
  int mMaxFrames;
  std::vector<std::vector<Sample>> mInputs;
  std::vector<std::vector<Sample>> mOutputs;
  std::vector<Sample> mSilent;
  std::vector<Sample> mScratch;
  std::vector<Sample*> mInPointers;
  std::vector<Sample*> mOutPointers;
  std::vector<vst3::AudioBusBuffers> mInBuses;
  std::vector<vst3::AudioBusBuffers> mOutBuses;
  vst3::ProcessData mData{};
};

}  // namespace vst3_test
