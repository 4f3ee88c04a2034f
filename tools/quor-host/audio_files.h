// Audio files through libsndfile: streaming readers of any format it knows and
// a writer of the formats in output_format.h that puts its file in place only
// once it is complete.
#pragma once

#include <sndfile.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "quor-host/output_format.h"
#include "quor-host/pending_file.h"
#include "quor-host/quantizer.h"

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
  // Throws HostError when the format cannot hold this layout.
  AudioWriter(const std::string& path, const OutputFormat& format, int channels, int sampleRate);
  void Write(std::span<const double> interleaved);
  // Completes the file under its temporary name, which stays readable until
  // the writer is destroyed.
  void Close();
  const std::string& TemporaryPath() const { return mPending.TemporaryPath(); }
  // Completes the file and renames it into place; without this the
  // destructor throws the partial file away.
  void Commit();

 private:
  std::string mPath;
  int mChannels;
  PendingFile mPending;
  SndfileHandle mFile;
  std::optional<Quantizer> mQuantizer;
  std::vector<std::int32_t> mIntegers;
};
