// Loudness of each pair of outputs (a last odd output alone) with
// libebur128: integrated loudness, loudness range and true peak.
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
  };
  int mChannels;
  std::vector<Group> mGroups;
  std::vector<double> mGroupFrames;
};
