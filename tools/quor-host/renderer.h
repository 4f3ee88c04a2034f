// Calls a plug-in's processing block by block: fills its inputs from the
// routed files, hands it the block's MIDI events, and collects its outputs
// in 64-bit planar buffers whatever precision it runs at.
#pragma once

#include <span>
#include <vector>

#include "quor-host/audio_source.h"
#include "quor-host/command_line.h"
#include "quor-host/input_routing.h"
#include "quor-host/midi_feed.h"
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

class Renderer {
 public:
  Renderer(const Plugin& plugin, Precision precision, std::size_t blockSize, bool inPlace,
           std::vector<AudioSource>& sources, const Routing& routing, MidiFeed& midi);
  // Processes the next block of the given length.
  void Process(std::size_t frames);
  double* const* Outputs() { return mOut.Pointers(); }

 private:
  void ReadInputs(std::size_t frames);

  const Plugin& mPlugin;
  Precision mPrecision;
  std::vector<AudioSource>& mSources;
  const Routing& mRouting;
  MidiFeed& mMidi;
  std::int64_t mPosition = 0;
  ChannelBuffers<double> mIn, mOut;
  ChannelBuffers<float> mInSingle, mOutSingle;
  std::vector<double*> mTargets;
  std::vector<float*> mSingleTargets;
  std::vector<std::vector<double>> mFileBlocks;  // interleaved, one per source
};
