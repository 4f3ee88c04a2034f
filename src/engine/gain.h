// Decibels to an amplitude factor, the one conversion of the audio path.
#pragma once

#include <cmath>

// pow(10, dB / 20) in exactly this form: the cached gains must be the same
// bits as the formulas give.
inline double DbToGain(double decibels) {
  return std::pow(10., decibels / 20.);
}
