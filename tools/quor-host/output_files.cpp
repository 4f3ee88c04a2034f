#include "quor-host/output_files.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "quor-host/text.h"

namespace {

constexpr int kSplitChannels = 2;
constexpr std::size_t kCopyFrames = 8192;
constexpr std::size_t kMaxNameBytes = 64;

// A pair's name from its outputs' labels: what the two share, without the
// side that tells them apart ("Drums L", "Drums R": "Drums"); none where the
// labels only count outputs ("Output 3") or cannot be a file's name.
std::string PairName(const std::string& left, const std::string& right) {
  std::string name = left;
  if (!right.empty()) {
    const auto differ = std::mismatch(left.begin(), left.end(), right.begin(), right.end());
    name.assign(left.begin(), differ.first);
  }
  const auto separator = [](char c) { return c == ' ' || c == '-' || c == '_' || c == '.'; };
  while (!name.empty() && separator(name.back()))
    name.pop_back();
  while (!name.empty() && separator(name.front()))
    name.erase(name.begin());
  // Names of the form "Output", "Out 3", "3": counting, not naming.
  std::string bare;
  for (const char c : name)
    if (std::isalpha(static_cast<unsigned char>(c))) bare += static_cast<char>(std::tolower(c));
  if (bare.empty() || bare == "out" || bare == "output" || bare == "audioout" ||
      bare == "outputl" || bare == "outl" || name.size() > kMaxNameBytes) {
    return "";
  }
  for (char& c : name)
    if (c == '/' || static_cast<unsigned char>(c) < 0x20) c = '_';
  return name;
}

}  // namespace

std::vector<std::string> OutputFileNames(const std::string& output, int outputs, bool split,
                                         const std::vector<std::string>& labels) {
  if (!split) return {output};
  std::vector<std::string> pairNames;
  for (int first = 0; first < outputs; first += kSplitChannels) {
    const auto label = [&](int index) {
      return index < static_cast<int>(labels.size()) ? labels[static_cast<std::size_t>(index)]
                                                     : std::string();
    };
    pairNames.push_back(PairName(label(first), first + 1 < outputs ? label(first + 1) : ""));
  }
  std::vector<std::string> sorted = pairNames;
  std::sort(sorted.begin(), sorted.end());
  const bool named = std::find(sorted.begin(), sorted.end(), "") == sorted.end() &&
                     std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end();
  const std::filesystem::path path(output);
  std::vector<std::string> names;
  for (std::size_t pair = 0; pair < pairNames.size(); ++pair) {
    std::filesystem::path name = path;
    const std::string tag = named ? pairNames[pair] : Format("%zu", pair + 1);
    name.replace_filename(path.stem().string() + "-" + tag + path.extension().string());
    names.push_back(name.string());
  }
  return names;
}

OutputFiles::File::File(const std::string& path, const OutputFormat& format, int first, int count,
                        int sampleRate, Dither dither)
    : firstOutput(first),
      channels(count),
      writer(std::make_unique<AudioWriter>(path, format, count, sampleRate, dither)),
      levels(static_cast<std::size_t>(count)),
      loudness(count, sampleRate) {}

OutputFiles::OutputFiles(const std::vector<std::string>& paths, const OutputFormat& format,
                         int outputs, int sampleRate, Dither dither, bool leaveOutSilence)
    : mPaths(paths),
      mFormat(format),
      mSampleRate(sampleRate),
      mLeaveOutSilence(leaveOutSilence && outputs > kSplitChannels),
      mOutputs(static_cast<std::size_t>(outputs)) {
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
    const std::span<const double> written = file.writer->Write(part);
    file.levels.Add(written, frames);
    file.loudness.Add(written, frames);
  }
}

void OutputFiles::Finish() {
  for (File& file : mFiles)
    file.writer->Finish();
  if (mLeaveOutSilence) LeaveOutSilence();
}

void OutputFiles::Commit() {
  for (File& file : mFiles)
    file.writer->Commit();
}

std::vector<std::string> OutputFiles::Paths() const {
  return {mPaths.begin(), mPaths.begin() + static_cast<std::ptrdiff_t>(mFiles.size())};
}

int OutputFiles::Audible() const {
  int audible = kSplitChannels;
  for (const File& file : mFiles)
    for (std::size_t c = 0; c < file.levels.Channels(); ++c)
      if (file.levels.Peak(c) != 0.0) {
        audible = std::max(audible, file.firstOutput + static_cast<int>(c) + 1);
      }
  return audible;
}

// The files are complete: split files of silent outputs are not put in
// place, and a single file is written again with the outputs it keeps, from
// its own samples as they are (integers stay the integers they were).
void OutputFiles::LeaveOutSilence() {
  int kept = Audible();
  // Split files keep their pairs whole.
  if (mFiles.size() > 1) kept = std::min((kept + 1) / 2 * 2, static_cast<int>(mOutputs));
  if (kept >= static_cast<int>(mOutputs)) return;
  mOutputs = static_cast<std::size_t>(kept);
  if (mFiles.size() > 1) {
    while (mFiles.back().firstOutput >= kept)
      mFiles.pop_back();  // its partial file goes with it
    return;
  }
  File& file = mFiles.front();
  AudioWriter& old = *file.writer;
  auto narrower =
      std::make_unique<AudioWriter>(mPaths.front(), mFormat, kept, mSampleRate, Dither::kNone);
  const auto channels = static_cast<std::size_t>(file.channels);
  std::vector<double> all(kCopyFrames * channels),
      part(kCopyFrames * static_cast<std::size_t>(kept));
  old.Rewind();
  while (const std::size_t frames = old.ReadBack(all)) {
    for (std::size_t i = 0; i < frames; ++i)
      for (std::size_t c = 0; c < static_cast<std::size_t>(kept); ++c)
        part[i * static_cast<std::size_t>(kept) + c] = all[i * channels + c];
    narrower->Write(std::span(part).first(frames * static_cast<std::size_t>(kept)));
  }
  narrower->Finish();
  file.writer = std::move(narrower);
  file.channels = kept;
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
    total += file.writer->BeyondFullScale();
  return total;
}

double OutputFiles::LargestInput() const {
  double largest = 0.0;
  for (const File& file : mFiles)
    largest = std::max(largest, file.writer->LargestInput());
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
    clipped.insert(clipped.end(), file.writer->Clipped().begin(), file.writer->Clipped().end());
  clipped.resize(mOutputs);
  return clipped;
}

std::vector<LoudnessResult> OutputFiles::Loudness() const {
  std::vector<LoudnessResult> results;
  for (const File& file : mFiles) {
    for (LoudnessResult result : file.loudness.Results()) {
      result.firstChannel += file.firstOutput;
      if (result.firstChannel < static_cast<int>(mOutputs)) results.push_back(result);
    }
  }
  return results;
}
