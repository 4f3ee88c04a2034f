// The files a render writes: one, or with --split one per pair of outputs
// (NAME-1.EXT for outputs 1 and 2, NAME-2.EXT for 3 and 4, ...), each
// measured as it holds its samples, after any gain, dither and clipping.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "quor-host/audio_files.h"
#include "quor-host/levels.h"
#include "quor-host/loudness.h"
#include "quor-host/output_stage.h"

// The file names a render writes to, in the order of their outputs. Split
// files are named after their pair of outputs where the plug-in's labels name
// every pair apart ("Drums L" and "Drums R": mix-Drums.wav), else numbered
// (mix-1.wav for outputs 1 and 2, mix-2.wav for 3 and 4, ...).
std::vector<std::string> OutputFileNames(const std::string& output, int outputs, bool split,
                                         const std::vector<std::string>& labels = {});

class OutputFiles : public OutputSink {
 public:
  // Creates the files under temporary names; throws HostError. With
  // `leaveOutSilence`, outputs after the first pair that stay digitally
  // silent to the end, from the last on, are left out when the files finish.
  OutputFiles(const std::vector<std::string>& paths, const OutputFormat& format, int outputs,
              int sampleRate, Dither dither, bool leaveOutSilence = false);
  // Scales what is written from now on.
  void SetGain(double gain) { mGain = gain; }
  void Write(std::span<const double> interleaved, std::size_t frames) override;
  // Completes and reads back every file, then puts them in place.
  void Finish();
  void Commit();
  // The outputs and files written, once finished.
  int Outputs() const { return static_cast<int>(mOutputs); }
  std::vector<std::string> Paths() const;

  std::uint64_t Frames() const { return mFiles.front().levels.Frames(); }
  std::uint64_t TotalClipped() const;
  // Samples beyond full scale, clipped or kept as floats.
  std::uint64_t TotalBeyondFullScale() const;
  // The largest magnitude of the samples beyond full scale, before clipping.
  double LargestInput() const;
  // Per output, from the first.
  std::vector<double> Peaks() const;
  std::vector<double> Rms() const;
  std::vector<std::uint64_t> Clipped() const;
  // Per pair of outputs, numbered as the plug-in's outputs.
  std::vector<LoudnessResult> Loudness() const;
  const std::string& Folder() const { return mFiles.front().writer->Folder(); }

 private:
  struct File {
    File(const std::string& path, const OutputFormat& format, int first, int count, int sampleRate,
         Dither dither);
    int firstOutput;
    int channels;
    std::unique_ptr<AudioWriter> writer;
    LevelMeter levels;
    LoudnessMeter loudness;
  };
  template <typename Measure>
  std::vector<double> PerOutput(Measure measure) const {
    std::vector<double> values;
    for (const File& file : mFiles)
      for (std::size_t c = 0; c < file.levels.Channels(); ++c)
        values.push_back(measure(file.levels, c));
    values.resize(mOutputs);
    return values;
  }

  void LeaveOutSilence();
  int Audible() const;  // outputs up to the last one that is not silent

  std::deque<File> mFiles;  // each in place: a file being written cannot move
  std::vector<std::string> mPaths;
  OutputFormat mFormat;
  int mSampleRate;
  bool mLeaveOutSilence;
  std::size_t mOutputs;
  double mGain = 1.0;
  std::vector<double> mScaled, mPart;
};
