// What a render did and measured, printed as text for people or as JSON for
// scripts.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "quor-host/loudness.h"

struct InputReport {
  std::string path;
  int track = 0;
  int channels = 0;
  int sampleRate = 0;
  bool resampled = false;
};

struct RenderReport {
  std::string plugin;
  std::string output;              // as named; "-" for standard output
  std::vector<std::string> files;  // the files written, with --split more than one
  std::string format;              // "WAV, 24-bit"
  int sampleRate = 0;
  int precisionBits = 64;
  int blockSize = 0;
  std::uint64_t frames = 0;
  std::vector<InputReport> inputs;
  std::optional<std::string> midiFile;
  int midiEvents = 0;
  int latencyFrames = 0;
  bool latencyCompensated = false;
  double tailSeconds = 0.0;
  std::string tailEnd;  // how the tail ended
  std::optional<double> normalizeGainDb;
  std::string normalizeNote;  // how the gain was chosen, or why there is none
  std::vector<std::string> warnings;
  std::vector<double> peaks, rms;  // linear, per output
  std::vector<std::uint64_t> clipped;
  std::vector<std::uint64_t> nonFinite;  // as the plug-in put them out
  std::vector<LoudnessResult> loudness;
  double realTimeFactor = 0.0;
  double pluginRealTimeFactor = 0.0;
};

void PrintReportText(const RenderReport& report, std::ostream& out);
void PrintReportJson(const RenderReport& report, std::ostream& out);
