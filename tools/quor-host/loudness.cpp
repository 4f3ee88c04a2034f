#include "quor-host/loudness.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "quor-host/host_error.h"

LoudnessMeter::LoudnessMeter(int channels, int sampleRate) : mChannels(channels) {
  for (int first = 0; first < channels; first += 2) {
    const int count = std::min(2, channels - first);
    ebur128_state* state =
        ebur128_init(static_cast<unsigned>(count), static_cast<unsigned long>(sampleRate),
                     EBUR128_MODE_I | EBUR128_MODE_LRA | EBUR128_MODE_TRUE_PEAK);
    if (state == nullptr) throw HostError("cannot measure loudness at this sample rate");
    mGroups.push_back({first, count, std::unique_ptr<ebur128_state, StateCloser>(state)});
  }
}

void LoudnessMeter::Add(std::span<const double> interleaved, std::size_t frames) {
  const auto stride = static_cast<std::size_t>(mChannels);
  for (Group& group : mGroups) {
    const auto count = static_cast<std::size_t>(group.channels);
    mGroupFrames.resize(frames * count);
    for (std::size_t i = 0; i < frames; ++i) {
      for (std::size_t c = 0; c < count; ++c) {
        mGroupFrames[i * count + c] =
            interleaved[i * stride + static_cast<std::size_t>(group.firstChannel) + c];
      }
    }
    ebur128_add_frames_double(group.state.get(), mGroupFrames.data(), frames);
  }
}

std::vector<LoudnessResult> LoudnessMeter::Results() const {
  std::vector<LoudnessResult> results;
  for (const Group& group : mGroups) {
    LoudnessResult result;
    result.firstChannel = group.firstChannel;
    result.channels = group.channels;
    if (ebur128_loudness_global(group.state.get(), &result.integratedLufs) != EBUR128_SUCCESS ||
        !std::isfinite(result.integratedLufs)) {
      result.integratedLufs = -std::numeric_limits<double>::infinity();
    }
    if (ebur128_loudness_range(group.state.get(), &result.rangeLu) != EBUR128_SUCCESS) {
      result.rangeLu = 0.0;
    }
    for (int c = 0; c < group.channels; ++c) {
      double peak = 0.0;
      if (ebur128_true_peak(group.state.get(), static_cast<unsigned>(c), &peak) ==
          EBUR128_SUCCESS) {
        result.truePeak = std::max(result.truePeak, peak);
      }
    }
    results.push_back(result);
  }
  return results;
}
