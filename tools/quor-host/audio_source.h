// An input file read at the render's sample rate: as it is, or resampled
// with libsoxr (very high quality, its own delay removed). Its length at the
// render's rate is fixed when it opens, so every input ends where expected.
#pragma once

#include <soxr.h>

#include <memory>
#include <span>
#include <vector>

#include "quor-host/audio_files.h"

class AudioSource {
 public:
  AudioSource(AudioReader reader, int renderRate);  // throws HostError
  AudioSource(const std::string& path, int renderRate)
      : AudioSource(AudioReader(path), renderRate) {}
  AudioSource(AudioSource&&) = default;
  AudioSource& operator=(AudioSource&&) = default;

  const std::string& Path() const { return mReader.Path(); }
  int Channels() const { return mReader.Channels(); }
  int FileRate() const { return mReader.SampleRate(); }
  bool Resampled() const { return mResampler != nullptr; }
  std::int64_t Frames() const { return mFrames; }  // at the render's rate
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
  std::int64_t mFrames = 0;
  std::int64_t mDelivered = 0;
  std::unique_ptr<std::remove_pointer_t<soxr_t>, ResamplerCloser> mResampler;
  std::vector<double> mFileBlock;
  std::size_t mFileBlockUsed = 0;
  std::size_t mFileBlockFrames = 0;
  bool mFileEnded = false;
};
