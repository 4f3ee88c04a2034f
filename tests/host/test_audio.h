// Helpers for the host tests: a scratch folder, audio files in and out, and
// running the host's command line in-process.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  std::string Path(const std::string& name) const { return (mPath / name).string(); }

 private:
  std::filesystem::path mPath;
};

using Channels = std::vector<std::vector<double>>;

void WriteFloatWav(const std::string& path, const Channels& channels, int sampleRate);
Channels ReadAudio(const std::string& path, int* sampleRate = nullptr);

// A deterministic test signal: a ramp with a per-channel offset.
std::vector<double> TestSignal(std::size_t frames, int channel);

struct RunResult {
  int exitCode;
  std::string out;
  std::string err;
};
RunResult RunHost(const std::vector<std::string>& arguments);
