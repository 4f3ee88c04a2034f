// Fills a plug-in's input buffers block by block from the routed files:
// each input from its file's channel, silence where no file feeds it.
#pragma once

#include <vector>

#include "quor-host/audio_source.h"
#include "quor-host/input_routing.h"

class InputFeeder {
 public:
  InputFeeder(std::vector<AudioSource>& sources, const Routing& routing, std::size_t blockSize);
  // The next `frames` of every input, one buffer per input in the routing.
  void Fill(double* const* inputs, std::size_t frames);

 private:
  std::vector<AudioSource>& mSources;
  const Routing& mRouting;
  std::vector<std::vector<double>> mFileBlocks;  // interleaved, one per source
};
