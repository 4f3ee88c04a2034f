#include "quor-host/input_feeder.h"

#include <algorithm>

InputFeeder::InputFeeder(std::vector<AudioSource>& sources, const Routing& routing,
                         std::size_t blockSize)
    : mSources(sources), mRouting(routing) {
  for (const AudioSource& source : sources)
    mFileBlocks.emplace_back(blockSize * static_cast<std::size_t>(source.Channels()));
}

void InputFeeder::Fill(double* const* inputs, std::size_t frames) {
  for (std::size_t s = 0; s < mSources.size(); ++s) {
    const std::size_t samples = frames * static_cast<std::size_t>(mSources[s].Channels());
    mSources[s].Read(std::span(mFileBlocks[s]).first(samples));
  }
  for (std::size_t input = 0; input < mRouting.feeds.size(); ++input) {
    double* const target = inputs[input];
    const auto& feed = mRouting.feeds[input];
    if (!feed) {
      std::fill_n(target, frames, 0.0);
      continue;
    }
    const std::vector<double>& block = mFileBlocks[feed->stem];
    const auto channels = static_cast<std::size_t>(mSources[feed->stem].Channels());
    for (std::size_t i = 0; i < frames; ++i)
      target[i] = block[i * channels + static_cast<std::size_t>(feed->channel)];
  }
}
