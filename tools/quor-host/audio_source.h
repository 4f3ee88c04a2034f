// An input file read at the render's sample rate: as it is, or resampled
// with libsoxr (very high quality, its own delay removed). A file's length at
// the render's rate is fixed when it opens, so every input ends where
// expected; a stream's is known once it has ended.
#pragma once

#include <soxr.h>

#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "quor-host/audio_files.h"

class AudioSource {
 public:
  AudioSource(AudioReader reader, int renderRate);  // throws HostError
  AudioSource(const std::string& path, int renderRate)
      : AudioSource(AudioReader(path), renderRate) {}
  AudioSource(const std::string& path, int renderRate, double openTimeoutSeconds)
      : AudioSource(AudioReader(path, openTimeoutSeconds), renderRate) {}
  AudioSource(AudioSource&&) = default;
  AudioSource& operator=(AudioSource&&) = default;

  const std::string& Path() const { return mReader.Path(); }
  int Channels() const { return mReader.Channels(); }
  int FileRate() const { return mReader.SampleRate(); }
  bool Resampled() const { return mResampler != nullptr; }
  // At the render's rate; none for a stream that has not ended yet.
  std::optional<std::int64_t> Frames() const;
  bool Ended() const;
  const AudioReader& Reader() const { return mReader; }

  // Fills the interleaved block, with silence past the end; returns the
  // frames of the file in it.
  std::size_t Read(std::span<double> interleaved);

 private:
  struct ResamplerCloser {
    void operator()(soxr_t resampler) const { soxr_delete(resampler); }
  };
  std::size_t Resample(std::span<double> interleaved, std::size_t frames);

  AudioReader mReader;
  std::optional<std::int64_t> mFrames;  // none for a stream
  std::int64_t mDelivered = 0;
  std::unique_ptr<std::remove_pointer_t<soxr_t>, ResamplerCloser> mResampler;
  std::vector<double> mFileBlock;
  std::size_t mFileBlockUsed = 0;
  std::size_t mFileBlockFrames = 0;
  bool mFileEnded = false;
  bool mStreamEnded = false;
};
