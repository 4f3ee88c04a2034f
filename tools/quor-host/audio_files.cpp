#include "quor-host/audio_files.h"

#include "quor-host/host_error.h"
#include "quor-host/text.h"

namespace {

constexpr int kMaxFileChannels = 1024;

// 32-bit float where the container holds it; FLAC holds integers only.
int OutputFormat(const std::string& path) {
  const std::string extension = Extension(path);
  if (extension == "flac") return SF_FORMAT_FLAC | SF_FORMAT_PCM_24;
  if (extension == "aif" || extension == "aiff") return SF_FORMAT_AIFF | SF_FORMAT_FLOAT;
  if (extension == "w64") return SF_FORMAT_W64 | SF_FORMAT_FLOAT;
  if (extension == "rf64") return SF_FORMAT_RF64 | SF_FORMAT_FLOAT;
  if (extension == "caf") return SF_FORMAT_CAF | SF_FORMAT_FLOAT;
  // RF64 that turns back into plain WAV when the file stays below 4 GiB.
  return SF_FORMAT_RF64 | SF_FORMAT_FLOAT;
}

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

AudioWriter::AudioWriter(const std::string& path, int channels, int sampleRate)
    : mPath(path), mChannels(channels) {
  SF_INFO info{};
  info.channels = channels;
  info.samplerate = sampleRate;
  info.format = OutputFormat(path);
  if (sf_format_check(&info) == 0) {
    throw HostError(path + Format(": cannot write %d channels in this format", channels));
  }
  mFile.reset(sf_open(path.c_str(), SFM_WRITE, &info));
  if (!mFile) throw HostError(path + ": cannot write audio (" + sf_strerror(nullptr) + ")");
  // Integer containers would wrap values beyond full scale.
  sf_command(mFile.get(), SFC_SET_CLIPPING, nullptr, SF_TRUE);
  if ((info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_RF64 && Extension(path) != "rf64") {
    sf_command(mFile.get(), SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
  }
}

void AudioWriter::Write(std::span<const double> interleaved) {
  const auto frames =
      static_cast<sf_count_t>(interleaved.size() / static_cast<std::size_t>(mChannels));
  if (sf_writef_double(mFile.get(), interleaved.data(), frames) != frames) {
    throw HostError(mPath + ": write failed (" + sf_strerror(mFile.get()) + ")");
  }
}

void AudioWriter::Close() {
  if (!mFile) return;
  const int result = sf_close(mFile.release());
  if (result != 0) throw HostError(mPath + ": closing failed (" + sf_error_number(result) + ")");
}
