#include "quor-host/normalization.h"

#include <algorithm>
#include <cmath>

#include "quor-host/text.h"

namespace {

// Quantisation, dither and other meters may find a hair more: aim just under.
constexpr double kCeilingMarginDb = 0.05;

double Linear(double decibels) {
  return std::pow(10.0, decibels / 20.0);
}

double TruePeakCeiling(const Options& options) {
  return options.truePeakMaxDbtp.value_or(kDefaultTruePeakMaxDbtp);
}

}  // namespace

bool Normalizing(const Options& options) {
  return options.normalizeDbfs || options.normalizeLufs;
}

double SilenceLevel() {
  return Linear(kTailQuietDbfs);
}

double GainBound(const Options& options, double peakSoFar) {
  const double level = Linear(options.normalizeLufs ? TruePeakCeiling(options)
                                                    : options.normalizeDbfs.value_or(0.0));
  return level / std::max(peakSoFar, SilenceLevel());
}

Normalization ChooseGain(const Options& options, double samplePeak,
                         const std::vector<LoudnessResult>& loudness) {
  Normalization result;
  if (!(samplePeak >= SilenceLevel())) {
    result.note = "not normalised: the output is silent (its peak lies below -120 dBFS)";
    return result;
  }
  if (!options.normalizeLufs) {
    result.gain = Linear(*options.normalizeDbfs) / samplePeak;
    result.applied = true;
    result.note = Format("sample peak to %.2f dBFS", *options.normalizeDbfs);
    return result;
  }
  double loudest = -HUGE_VAL;
  double truePeak = 0.0;
  for (const LoudnessResult& pair : loudness) {
    loudest = std::max(loudest, pair.integratedLufs);
    truePeak = std::max(truePeak, pair.truePeak);
  }
  if (!std::isfinite(loudest)) {
    result.note = "not normalised: the output is too quiet to measure its loudness";
    return result;
  }
  const double target = *options.normalizeLufs;
  result.gain = Linear(target - loudest);
  result.applied = true;
  result.note = Format("loudness to %.2f LUFS", target);
  const double ceiling = Linear(TruePeakCeiling(options) - kCeilingMarginDb);
  if (truePeak * result.gain > ceiling) {
    result.gain = ceiling / truePeak;
    result.note = Format(
        "loudness to %.2f LUFS, not %.2f: the true-peak ceiling of %.2f dBTP "
        "limited the gain",
        loudest + 20.0 * std::log10(result.gain), target, TruePeakCeiling(options));
  }
  return result;
}
