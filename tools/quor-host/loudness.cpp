#include "quor-host/loudness.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

#include "quor-host/host_error.h"

namespace {

constexpr std::size_t kShortTermBlocks = 30;  // 3 s of 100 ms
constexpr double kAbsoluteGateLufs = -70.0;
constexpr double kRelativeGateLu = -20.0;
constexpr double kLowPercentile = 0.10;
constexpr double kHighPercentile = 0.95;
constexpr double kOffset = -0.691;  // BS.1770's loudness of unit power

double Power(double lufs) {
  return std::isfinite(lufs) ? std::pow(10.0, (lufs - kOffset) / 10.0) : 0.0;
}

double Lufs(double power) {
  return power > 0.0 ? kOffset + 10.0 * std::log10(power)
                     : -std::numeric_limits<double>::infinity();
}

}  // namespace

double LoudnessRange(std::vector<double> shortTermLufs) {
  std::erase_if(shortTermLufs, [](double lufs) { return !(lufs > kAbsoluteGateLufs); });
  if (shortTermLufs.empty()) return 0.0;
  double power = 0.0;
  for (const double lufs : shortTermLufs)
    power += Power(lufs);
  const double gate = Lufs(power / static_cast<double>(shortTermLufs.size())) + kRelativeGateLu;
  std::erase_if(shortTermLufs, [gate](double lufs) { return lufs < gate; });
  if (shortTermLufs.empty()) return 0.0;
  std::sort(shortTermLufs.begin(), shortTermLufs.end());
  const auto at = [&](double percentile) {
    const double last = static_cast<double>(shortTermLufs.size() - 1);
    return shortTermLufs[static_cast<std::size_t>(std::lround(last * percentile))];
  };
  return at(kHighPercentile) - at(kLowPercentile);
}

LoudnessMeter::LoudnessMeter(int channels, int sampleRate)
    : mChannels(channels), mBlockFrames(static_cast<std::size_t>((sampleRate + 5) / 10)) {
  for (int first = 0; first < channels; first += 2) {
    const int count = std::min(2, channels - first);
    ebur128_state* state =
        ebur128_init(static_cast<unsigned>(count), static_cast<unsigned long>(sampleRate),
                     EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
    if (state == nullptr) throw HostError("cannot measure loudness at this sample rate");
    mGroups.push_back({first, count, std::unique_ptr<ebur128_state, StateCloser>(state), {}, {}});
  }
}

void LoudnessMeter::EndBlock(Group& group) {
  double lufs = 0.0;
  if (ebur128_loudness_window(group.state.get(), 100, &lufs) != EBUR128_SUCCESS) return;
  group.blockPowers.push_back(Power(lufs));
  const std::size_t blocks = group.blockPowers.size();
  if (blocks < kShortTermBlocks) return;
  const double sum =
      std::accumulate(group.blockPowers.end() - kShortTermBlocks, group.blockPowers.end(), 0.0);
  group.shortTermLufs.push_back(Lufs(sum / kShortTermBlocks));
}

void LoudnessMeter::Add(std::span<const double> interleaved, std::size_t frames) {
  const auto stride = static_cast<std::size_t>(mChannels);
  // Fed up to each 100 ms boundary, where the short-term loudness is taken.
  for (std::size_t done = 0; done < frames;) {
    const std::size_t count = std::min(frames - done, mBlockFrames - mBlockFilled);
    for (Group& group : mGroups) {
      const auto width = static_cast<std::size_t>(group.channels);
      mGroupFrames.resize(count * width);
      for (std::size_t i = 0; i < count; ++i) {
        for (std::size_t c = 0; c < width; ++c) {
          mGroupFrames[i * width + c] =
              interleaved[(done + i) * stride + static_cast<std::size_t>(group.firstChannel) + c];
        }
      }
      ebur128_add_frames_double(group.state.get(), mGroupFrames.data(), count);
    }
    done += count;
    mBlockFilled += count;
    if (mBlockFilled == mBlockFrames) {
      mBlockFilled = 0;
      for (Group& group : mGroups)
        EndBlock(group);
    }
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
    result.rangeLu = LoudnessRange(group.shortTermLufs);
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
