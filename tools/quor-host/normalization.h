// The gain that scales a whole render to a target once all of it is known:
// its sample peak to --normalize's level, or its integrated loudness to
// --normalize-lufs's with the true peak kept under --true-peak-max. One gain
// for every output, so that split files keep their balance: the loudest pair
// reaches the target. Silence is not raised: a render whose peak lies below
// -120 dBFS, or too quiet to measure, stays as it is.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "quor-host/command_line.h"
#include "quor-host/loudness.h"

struct Normalization {
  double gain = 1.0;  // linear
  bool applied = false;
  std::string note;  // how the gain was chosen, or why there is none
};

bool Normalizing(const Options& options);
// What counts as silence and is never raised, linear.
double SilenceLevel();
// The largest gain normalising may still choose, given the peak so far: how
// far below the quiet level a tail must fall before the gain is known.
double GainBound(const Options& options, double peakSoFar);
Normalization ChooseGain(const Options& options, double samplePeak,
                         const std::vector<LoudnessResult>& loudness);
