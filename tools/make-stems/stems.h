// Eight short stereo stems synthesised from nothing but arithmetic, so that
// the demo has the same audio on every machine.
#pragma once

#include <string>
#include <vector>

struct StereoSignal {
  std::vector<double> left;
  std::vector<double> right;
};

struct Stem {
  std::string name;  // file name without the extension
  StereoSignal signal;
};

// All eight stems, each `seconds` long at `sampleRate`, at 120 beats per minute.
std::vector<Stem> MakeStems(double sampleRate, double seconds);
