#include "quor-host/audio_source.h"

#include <algorithm>
#include <cmath>

#include "quor-host/host_error.h"

namespace {
constexpr std::size_t kFileBlockFrames = 4096;
}  // namespace

AudioSource::AudioSource(AudioReader reader, int renderRate) : mReader(std::move(reader)) {
  mFrames = mReader.Frames();
  if (mReader.SampleRate() == renderRate) return;
  const double ratio = static_cast<double>(renderRate) / mReader.SampleRate();
  if (mFrames) mFrames = std::llround(static_cast<double>(*mFrames) * ratio);
  const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT64_I, SOXR_FLOAT64_I);
  const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ, 0);
  soxr_error_t error = nullptr;
  mResampler.reset(soxr_create(mReader.SampleRate(), renderRate,
                               static_cast<unsigned>(mReader.Channels()), &error, &io, &quality,
                               nullptr));
  if (error != nullptr || !mResampler) {
    throw HostError(Path() + ": cannot resample (" + (error ? error : "unknown error") + ")");
  }
  mFileBlock.resize(kFileBlockFrames * static_cast<std::size_t>(mReader.Channels()));
}

std::size_t AudioSource::Resample(std::span<double> interleaved, std::size_t frames) {
  const auto channels = static_cast<std::size_t>(Channels());
  std::size_t produced = 0;
  while (produced < frames) {
    if (!mFileEnded && mFileBlockUsed == mFileBlockFrames) {
      mFileBlockFrames = mReader.Read(mFileBlock);
      mFileBlockUsed = 0;
      mFileEnded = mFileBlockFrames == 0;
    }
    std::size_t consumed = 0;
    std::size_t made = 0;
    // A null input tells the resampler the file has ended: it then flushes.
    const double* input = mFileEnded ? nullptr : mFileBlock.data() + mFileBlockUsed * channels;
    const soxr_error_t error =
        soxr_process(mResampler.get(), input, mFileEnded ? 0 : mFileBlockFrames - mFileBlockUsed,
                     &consumed, interleaved.data() + produced * channels, frames - produced, &made);
    if (error != nullptr) throw HostError(Path() + ": resampling failed (" + error + ")");
    mFileBlockUsed += consumed;
    produced += made;
    if (mFileEnded && made == 0) break;
  }
  return produced;
}

std::optional<std::int64_t> AudioSource::Frames() const {
  if (!mFrames && mStreamEnded) return mDelivered;
  return mFrames;
}

bool AudioSource::Ended() const {
  return mFrames ? mDelivered >= *mFrames : mStreamEnded;
}

std::size_t AudioSource::Read(std::span<double> interleaved) {
  const auto channels = static_cast<std::size_t>(Channels());
  const std::size_t wanted = interleaved.size() / channels;
  // A stream gives what it has until it ends; a file exactly its length.
  const auto remaining =
      mFrames        ? static_cast<std::size_t>(std::max<std::int64_t>(*mFrames - mDelivered, 0))
      : mStreamEnded ? 0
                     : wanted;
  const std::size_t frames = std::min(wanted, remaining);
  const std::size_t got = Resampled() ? Resample(interleaved, frames)
                                      : mReader.Read(interleaved.first(frames * channels));
  std::fill(interleaved.begin() + static_cast<std::ptrdiff_t>(got * channels), interleaved.end(),
            0.0);
  if (mFrames) {
    mDelivered += static_cast<std::int64_t>(frames);
    return frames;
  }
  if (got < frames) mStreamEnded = true;
  mDelivered += static_cast<std::int64_t>(got);
  return got;
}
