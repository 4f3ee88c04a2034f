// Audio files through libsndfile: streaming readers of any format it knows and
// a 32-bit float writer whose container follows the file's extension.
#pragma once

#include <sndfile.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>

struct SndfileCloser {
  void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndfileHandle = std::unique_ptr<SNDFILE, SndfileCloser>;

class AudioReader {
 public:
  explicit AudioReader(const std::string& path);  // throws HostError
  const std::string& Path() const { return mPath; }
  int Channels() const { return mInfo.channels; }
  int SampleRate() const { return mInfo.samplerate; }
  std::int64_t Frames() const { return mInfo.frames; }
  // Reads up to interleaved.size() / Channels() frames; returns the frames read.
  std::size_t Read(std::span<double> interleaved);

 private:
  std::string mPath;
  SF_INFO mInfo{};
  SndfileHandle mFile;
};

class AudioWriter {
 public:
  AudioWriter(const std::string& path, int channels, int sampleRate);  // throws HostError
  void Write(std::span<const double> interleaved);
  void Close();  // flushes and reports write errors; the destructor closes silently

 private:
  std::string mPath;
  int mChannels;
  SndfileHandle mFile;
};
