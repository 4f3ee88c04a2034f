// Calls a plug-in's processing for one block in the precision it runs at:
// 64-bit buffers in and out whatever that is, converted around 32-bit
// processing, and written through the inputs' buffers for hosts that
// process in place.
#pragma once

#include <span>
#include <vector>

#include "quor-host/command_line.h"
#include "quor-host/plugin.h"

// Planar channels of one block, with the pointer array the interface takes.
template <typename Sample>
class ChannelBuffers {
 public:
  ChannelBuffers(std::size_t channels, std::size_t frames)
      : mFrames(frames), mSamples(channels * frames), mPointers(channels) {
    for (std::size_t c = 0; c < channels; ++c)
      mPointers[c] = mSamples.data() + c * frames;
  }
  std::span<Sample> Channel(std::size_t channel) { return {mPointers[channel], mFrames}; }
  Sample** Pointers() { return mPointers.data(); }
  std::size_t Channels() const { return mPointers.size(); }
  void Clear() { std::fill(mSamples.begin(), mSamples.end(), Sample{}); }

 private:
  std::size_t mFrames;
  std::vector<Sample> mSamples;
  std::vector<Sample*> mPointers;
};

// 64-bit where the plug-in can, unless the options ask otherwise; throws
// HostError when the plug-in cannot process as asked.
Precision ChoosePrecision(const Plugin& plugin, const Options& options);

// Brackets processing with the requests a host sends around it, also when a
// block fails.
class ProcessingSession {
 public:
  ProcessingSession(const Plugin& plugin, bool doublePrecision);
  ~ProcessingSession();
  ProcessingSession(const ProcessingSession&) = delete;
  ProcessingSession& operator=(const ProcessingSession&) = delete;

 private:
  const Plugin& mPlugin;
};

class ProcessCall {
 public:
  ProcessCall(const Plugin& plugin, Precision precision, std::size_t blockSize, bool inPlace);
  // One block of `frames`: the plug-in's inputs and outputs, one buffer per
  // channel of at least that length. In place, the inputs are overwritten.
  void Process(double* const* inputs, double* const* outputs, std::size_t frames);

 private:
  const Plugin& mPlugin;
  Precision mPrecision;
  bool mInPlace;
  std::vector<double*> mInputs, mTargets;
  ChannelBuffers<float> mInSingle, mOutSingle;
  std::vector<float*> mSingleTargets;
};
