#include "tests/host/test_audio.h"

#include <sndfile.h>
#include <stdlib.h>

#include <memory>
#include <sstream>
#include <stdexcept>

#include "quor-host/commands.h"

namespace {
struct Closer {
  void operator()(SNDFILE* file) const { sf_close(file); }
};
}  // namespace

ScratchFolder::ScratchFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "quor-host-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  mPath = pattern;
}

ScratchFolder::~ScratchFolder() {
  std::error_code error;
  std::filesystem::remove_all(mPath, error);
}

void WriteFloatWav(const std::string& path, const Channels& channels, int sampleRate) {
  SF_INFO info{};
  info.channels = static_cast<int>(channels.size());
  info.samplerate = sampleRate;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  const std::unique_ptr<SNDFILE, Closer> file(sf_open(path.c_str(), SFM_WRITE, &info));
  if (!file) throw std::runtime_error("cannot write " + path);
  const std::size_t frames = channels.front().size();
  std::vector<double> interleaved(frames * channels.size());
  for (std::size_t i = 0; i < frames; ++i) {
    for (std::size_t c = 0; c < channels.size(); ++c) {
      interleaved[i * channels.size() + c] = channels[c][i];
    }
  }
  sf_writef_double(file.get(), interleaved.data(), static_cast<sf_count_t>(frames));
}

Channels ReadAudio(const std::string& path, int* sampleRate) {
  SF_INFO info{};
  const std::unique_ptr<SNDFILE, Closer> file(sf_open(path.c_str(), SFM_READ, &info));
  if (!file) throw std::runtime_error("cannot read " + path);
  const auto channels = static_cast<std::size_t>(info.channels);
  const auto frames = static_cast<std::size_t>(info.frames);
  std::vector<double> interleaved(frames * channels);
  sf_readf_double(file.get(), interleaved.data(), info.frames);
  Channels result(channels, std::vector<double>(frames));
  for (std::size_t i = 0; i < frames; ++i) {
    for (std::size_t c = 0; c < channels; ++c)
      result[c][i] = interleaved[i * channels + c];
  }
  if (sampleRate != nullptr) *sampleRate = info.samplerate;
  return result;
}

std::vector<double> TestSignal(std::size_t frames, int channel) {
  std::vector<double> signal(frames);
  for (std::size_t i = 0; i < frames; ++i) {
    // Float-exact, so that the file holds the very values the test expects.
    signal[i] = static_cast<double>(
        static_cast<float>(0.25 * (static_cast<double>(i % 200) / 100.0 - 1.0) + 0.1 * channel));
  }
  return signal;
}

RunResult RunHost(const std::vector<std::string>& arguments) {
  std::ostringstream out, err;
  const int code = RunQuorHost(arguments, out, err);
  return {code, out.str(), err.str()};
}
