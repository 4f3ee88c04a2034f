// make-stems OUTDIR [SECONDS]: writes the demo's eight stereo stems as 24-bit
// WAV files at 48 kHz.
#include <sndfile.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "make-stems/stems.h"

namespace {

constexpr int kSampleRate = 48000;

struct SndfileCloser {
  void operator()(SNDFILE* file) const { sf_close(file); }
};

bool WriteStem(const std::filesystem::path& path, const StereoSignal& signal) {
  SF_INFO info{};
  info.channels = 2;
  info.samplerate = kSampleRate;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_24;
  const std::unique_ptr<SNDFILE, SndfileCloser> file(sf_open(path.c_str(), SFM_WRITE, &info));
  if (!file) return false;
  std::vector<double> interleaved(signal.left.size() * 2);
  for (std::size_t i = 0; i < signal.left.size(); ++i) {
    interleaved[2 * i] = signal.left[i];
    interleaved[2 * i + 1] = signal.right[i];
  }
  const auto frames = static_cast<sf_count_t>(signal.left.size());
  return sf_writef_double(file.get(), interleaved.data(), frames) == frames;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: make-stems OUTDIR [SECONDS]\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  const double seconds = argc == 3 ? std::atof(argv[2]) : 10.0;
  if (!(seconds > 0.0 && seconds <= 600.0)) {
    std::fprintf(stderr, "make-stems: SECONDS must lie between 0 and 600\n");
    return 2;
  }
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  for (const Stem& stem : MakeStems(kSampleRate, seconds)) {
    const std::filesystem::path path = folder / (stem.name + ".wav");
    if (!WriteStem(path, stem.signal)) {
      std::fprintf(stderr, "make-stems: cannot write %s (%s)\n", path.c_str(),
                   sf_strerror(nullptr));
      return 1;
    }
  }
  return 0;
}
