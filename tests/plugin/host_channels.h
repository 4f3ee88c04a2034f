// A host's buffers: one per channel, and the array of pointers it passes.
#pragma once

#include <cstddef>
#include <vector>

template <typename Sample>
struct HostChannels {
  HostChannels(int nChannels, int nFrames)
      : mData(static_cast<std::size_t>(nChannels),
              std::vector<Sample>(static_cast<std::size_t>(nFrames))) {
    for (auto& channel : mData)
      mPointers.push_back(channel.data());
  }
  Sample** Pointers() { return mPointers.data(); }
  std::vector<std::vector<Sample>> mData;
  std::vector<Sample*> mPointers;
};
