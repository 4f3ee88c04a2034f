// Audio files through libsndfile: readers of any format it knows, each file
// opened and read once (a WAV stream through a pipe read as it comes, other
// streams through a temporary copy once their first bytes show audio), and a
// writer of the formats in output_format.h that reads its file back before
// putting it in place.
#pragma once

#include <sndfile.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "quor-host/file_io.h"
#include "quor-host/output_format.h"
#include "quor-host/pending_file.h"
#include "quor-host/quantizer.h"
#include "quor-host/wav_stream.h"

struct SndfileCloser {
  void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndfileHandle = std::unique_ptr<SNDFILE, SndfileCloser>;

class AudioReader {
 public:
  // "-": standard input. A stream that has given nothing within the
  // timeout (a FIFO nobody writes to) fails; throws HostError.
  explicit AudioReader(const std::string& path, double openTimeoutSeconds = 60.0);
  const std::string& Path() const { return mPath; }
  int Channels() const { return mInfo.channels; }
  int SampleRate() const { return mInfo.samplerate; }
  // None for a stream read to its end, however long.
  std::optional<std::int64_t> Frames() const;
  // Reads up to interleaved.size() / Channels() frames; returns the frames read.
  std::size_t Read(std::span<double> interleaved);
  // What reading showed to be wrong with the file: a header promising more
  // than the file holds, data that ended early or did not decode.
  std::vector<std::string> Problems() const;

 private:
  Descriptor OpenStream(Descriptor file, double timeoutSeconds);

  std::string mPath;
  Descriptor mDescriptor;  // closed after the file
  SF_INFO mInfo{};
  SndfileHandle mFile;
  std::optional<WavStream> mStream;
  bool mHeaderClaimsMore = false;
  bool mEndedEarly = false;
  std::int64_t mFramesRead = 0;
};

class AudioWriter {
 public:
  // Throws HostError when the format cannot hold this layout.
  AudioWriter(const std::string& path, const OutputFormat& format, int channels, int sampleRate,
              Dither dither);
  const std::string& Path() const { return mPath; }
  // Writes the frames as the file holds them, rounded to its integers, as
  // floats, or limited to full scale for an encoder, and returns them so.
  std::span<const double> Write(std::span<const double> interleaved);
  // Per channel, the samples beyond full scale that the format clipped.
  const std::vector<std::uint64_t>& Clipped() const { return mClipped; }
  // The samples beyond full scale it was given, clipped or, as floats, kept.
  std::uint64_t BeyondFullScale() const { return mBeyondFullScale; }
  // The largest magnitude it was given, before any clipping.
  double LargestInput() const { return mLargestInput; }
  // Completes the file and reads it back; a file that did not come out
  // whole (a full disk) is a HostError, and replaces nothing.
  void Finish();
  // Reads the finished file from its start, as the file holds its samples.
  void Rewind();
  std::size_t ReadBack(std::span<double> interleaved);
  // Puts the finished file in place; without this the destructor throws the
  // partial file away.
  void Commit() { mPending.Commit(); }
  // Where a file as large as this one fits.
  const std::string& Folder() const { return mPending.Folder(); }

 private:
  void Verify();

  std::string mPath;
  OutputFormat mFormat;
  int mChannels;
  int mSampleRate;
  PendingFile mPending;
  SndfileHandle mFile;
  SndfileHandle mReadBack;
  std::optional<Quantizer> mQuantizer;
  std::vector<std::int32_t> mIntegers;
  std::vector<float> mFloats;
  std::vector<double> mWritten;
  std::vector<std::uint64_t> mClipped;
  double mLargestInput = 0.0;
  std::uint64_t mBeyondFullScale = 0;
  std::uint64_t mFrames = 0;
  std::uint64_t mChecksum;  // of the samples as the file holds them
};
