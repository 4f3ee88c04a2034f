// A plug-in in this process processing block by block: its inputs filled
// from the routed files, the block's MIDI events handed to it, its outputs
// collected in 64-bit planar buffers whatever precision it runs at.
#pragma once

#include <vector>

#include "quor-host/input_feeder.h"
#include "quor-host/midi_feed.h"
#include "quor-host/process_call.h"

class Renderer {
 public:
  Renderer(const Plugin& plugin, Precision precision, std::size_t blockSize, bool inPlace,
           std::vector<AudioSource>& sources, const Routing& routing, MidiFeed& midi);
  // Processes the next block of the given length.
  void Process(std::size_t frames);
  double* const* Outputs() { return mOut.Pointers(); }

 private:
  const Plugin& mPlugin;
  InputFeeder mFeeder;
  MidiFeed& mMidi;
  ProcessCall mCall;
  std::int64_t mPosition = 0;
  ChannelBuffers<double> mIn, mOut;
};
