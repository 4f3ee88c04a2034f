#include "quor-host/audio_files.h"

#include "quor-host/host_error.h"
#include "quor-host/text.h"

namespace {
constexpr int kMaxFileChannels = 1024;
}  // namespace

AudioReader::AudioReader(const std::string& path) : mPath(path) {
  mFile.reset(sf_open(path.c_str(), SFM_READ, &mInfo));
  if (!mFile) throw HostError(path + ": cannot read audio (" + sf_strerror(nullptr) + ")");
  if (mInfo.channels < 1 || mInfo.channels > kMaxFileChannels || mInfo.samplerate < 1 ||
      mInfo.frames < 0) {
    throw HostError(path + ": implausible audio format");
  }
}

std::size_t AudioReader::Read(std::span<double> interleaved) {
  const auto frames =
      static_cast<sf_count_t>(interleaved.size() / static_cast<std::size_t>(Channels()));
  const sf_count_t read = sf_readf_double(mFile.get(), interleaved.data(), frames);
  return read > 0 ? static_cast<std::size_t>(read) : 0;
}

AudioWriter::AudioWriter(const std::string& path, const OutputFormat& format, int channels,
                         int sampleRate)
    : mPath(path), mChannels(channels), mPending(path) {
  CheckOutputLayout(format, path, channels, sampleRate);
  SF_INFO info{};
  info.channels = channels;
  info.samplerate = sampleRate;
  info.format = format.sndfileFormat;
  mFile.reset(sf_open_fd(mPending.Descriptor(), SFM_WRITE, &info, SF_FALSE));
  if (!mFile) throw HostError(path + ": cannot write audio (" + sf_strerror(nullptr) + ")");
  // Encoders must not wrap values beyond full scale.
  sf_command(mFile.get(), SFC_SET_CLIPPING, nullptr, SF_TRUE);
  if (format.integerSamples) mQuantizer.emplace(*format.integerSamples);
}

void AudioWriter::Write(std::span<const double> interleaved) {
  const auto frames =
      static_cast<sf_count_t>(interleaved.size() / static_cast<std::size_t>(mChannels));
  sf_count_t written = 0;
  if (mQuantizer) {
    mIntegers.resize(interleaved.size());
    mQuantizer->Convert(interleaved, mIntegers);
    written = sf_writef_int(mFile.get(), mIntegers.data(), frames);
  } else {
    written = sf_writef_double(mFile.get(), interleaved.data(), frames);
  }
  if (written != frames) {
    throw HostError(mPath + ": write failed (" + sf_strerror(mFile.get()) + ")");
  }
}

void AudioWriter::Close() {
  if (!mFile) return;
  const int result = sf_close(mFile.release());
  if (result != 0) throw HostError(mPath + ": closing failed (" + sf_error_number(result) + ")");
}

void AudioWriter::Commit() {
  Close();
  mPending.Commit();
}
