#include "quor-host/output_files.h"

#include <filesystem>

#include "quor-host/text.h"

namespace {
constexpr int kSplitChannels = 2;
}  // namespace

std::vector<std::string> OutputFileNames(const std::string& output, int outputs, bool split) {
  if (!split) return {output};
  const std::filesystem::path path(output);
  std::vector<std::string> names;
  for (int pair = 1; (pair - 1) * kSplitChannels < outputs; ++pair) {
    std::filesystem::path name = path;
    name.replace_filename(path.stem().string() + Format("-%d", pair) + path.extension().string());
    names.push_back(name.string());
  }
  return names;
}

OutputFiles::File::File(const std::string& path, const OutputFormat& format, int first, int count,
                        int sampleRate, Dither dither)
    : firstOutput(first),
      channels(count),
      writer(path, format, count, sampleRate, dither),
      levels(static_cast<std::size_t>(count)),
      loudness(count, sampleRate) {}

OutputFiles::OutputFiles(const std::vector<std::string>& paths, const OutputFormat& format,
                         int outputs, int sampleRate, Dither dither)
    : mOutputs(static_cast<std::size_t>(outputs)) {
  for (std::size_t i = 0; i < paths.size(); ++i) {
    const int first = paths.size() == 1 ? 0 : static_cast<int>(i) * kSplitChannels;
    const int channels = paths.size() == 1 ? outputs : std::min(kSplitChannels, outputs - first);
    mFiles.emplace_back(paths[i], format, first, channels, sampleRate, dither);
  }
}

void OutputFiles::Write(std::span<const double> interleaved, std::size_t frames) {
  std::span<const double> samples = interleaved;
  if (mGain != 1.0) {
    mScaled.assign(interleaved.begin(), interleaved.end());
    for (double& sample : mScaled)
      sample *= mGain;
    samples = mScaled;
  }
  for (File& file : mFiles) {
    std::span<const double> part = samples;
    if (mFiles.size() > 1) {
      const auto channels = static_cast<std::size_t>(file.channels);
      mPart.resize(frames * channels);
      for (std::size_t i = 0; i < frames; ++i)
        for (std::size_t c = 0; c < channels; ++c)
          mPart[i * channels + c] =
              samples[i * mOutputs + static_cast<std::size_t>(file.firstOutput) + c];
      part = mPart;
    }
    const std::span<const double> written = file.writer.Write(part);
    file.levels.Add(written, frames);
    file.loudness.Add(written, frames);
  }
}

void OutputFiles::Finish() {
  for (File& file : mFiles)
    file.writer.Finish();
}

void OutputFiles::Commit() {
  for (File& file : mFiles)
    file.writer.Commit();
}

std::uint64_t OutputFiles::TotalClipped() const {
  std::uint64_t total = 0;
  for (const std::uint64_t clipped : Clipped())
    total += clipped;
  return total;
}

std::uint64_t OutputFiles::TotalBeyondFullScale() const {
  std::uint64_t total = 0;
  for (const File& file : mFiles)
    total += file.writer.BeyondFullScale();
  return total;
}

double OutputFiles::LargestInput() const {
  double largest = 0.0;
  for (const File& file : mFiles)
    largest = std::max(largest, file.writer.LargestInput());
  return largest;
}

std::vector<double> OutputFiles::Peaks() const {
  return PerOutput([](const LevelMeter& levels, std::size_t c) { return levels.Peak(c); });
}

std::vector<double> OutputFiles::Rms() const {
  return PerOutput([](const LevelMeter& levels, std::size_t c) { return levels.Rms(c); });
}

std::vector<std::uint64_t> OutputFiles::Clipped() const {
  std::vector<std::uint64_t> clipped;
  for (const File& file : mFiles)
    clipped.insert(clipped.end(), file.writer.Clipped().begin(), file.writer.Clipped().end());
  return clipped;
}

std::vector<LoudnessResult> OutputFiles::Loudness() const {
  std::vector<LoudnessResult> results;
  for (const File& file : mFiles) {
    for (LoudnessResult result : file.loudness.Results()) {
      result.firstChannel += file.firstOutput;
      results.push_back(result);
    }
  }
  return results;
}
