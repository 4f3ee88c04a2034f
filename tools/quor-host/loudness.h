// Loudness of each pair of outputs (a last odd output alone): integrated
// loudness and true peak with libebur128, and the loudness range of EBU
// Tech 3342 from short-term loudness taken every 100 ms (libebur128's own
// takes it once a second, which misses slow modulation).
#pragma once

#include <ebur128.h>

#include <memory>
#include <span>
#include <vector>

struct LoudnessResult {
  int firstChannel = 0;  // from 0
  int channels = 0;
  double integratedLufs = 0.0;  // -inf for silence
  double rangeLu = 0.0;
  double truePeak = 0.0;  // linear, the largest of the pair's channels
};

class LoudnessMeter {
 public:
  LoudnessMeter(int channels, int sampleRate);  // throws HostError
  void Add(std::span<const double> interleaved, std::size_t frames);
  std::vector<LoudnessResult> Results() const;

 private:
  struct StateCloser {
    void operator()(ebur128_state* state) const { ebur128_destroy(&state); }
  };
  struct Group {
    int firstChannel;
    int channels;
    std::unique_ptr<ebur128_state, StateCloser> state;
    std::vector<double> blockPowers;    // of each 100 ms
    std::vector<double> shortTermLufs;  // of each 3 s, every 100 ms
  };
  void EndBlock(Group& group);

  int mChannels;
  std::size_t mBlockFrames;
  std::size_t mBlockFilled = 0;
  std::vector<Group> mGroups;
  std::vector<double> mGroupFrames;
};

// The loudness range of short-term loudness values (LUFS): the spread from
// the 10th to the 95th percentile of those above -70 LUFS and no more than
// 20 LU below their mean.
double LoudnessRange(std::vector<double> shortTermLufs);
