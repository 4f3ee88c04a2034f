#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <vector>

#include "quor-host/commands.h"
#include "quor-host/host_error.h"
#include "quor-host/input_feeder.h"
#include "quor-host/interruption.h"
#include "quor-host/levels.h"
#include "quor-host/loudness.h"
#include "quor-host/midi_feed.h"
#include "quor-host/normalization.h"
#include "quor-host/output_files.h"
#include "quor-host/output_stage.h"
#include "quor-host/plugin_process.h"
#include "quor-host/plugin_search.h"
#include "quor-host/process_call.h"
#include "quor-host/progress.h"
#include "quor-host/render_inputs.h"
#include "quor-host/render_report.h"
#include "quor-host/spool.h"
#include "quor-host/text.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kMaxLatencySeconds = 10.0;
constexpr std::size_t kSpoolBlockFrames = 8192;

TailPolicy ChooseTail(const Options& options, int sampleRate) {
  TailPolicy tail;
  const auto frames = [&](double seconds) { return std::llround(seconds * sampleRate); };
  if (options.tailSeconds) tail.fixedFrames = frames(*options.tailSeconds);
  tail.quietFrames = frames(kTailQuietSeconds);
  tail.capFrames = frames(kTailCapSeconds);
  tail.quietLevel = SilenceLevel();
  return tail;
}

const char* TailEndText(TailEnd end) {
  switch (end) {
    case TailEnd::kQuiet:
      return "until below -120 dBFS";
    case TailEnd::kCap:
      return "cut at the 30 s cap";
    case TailEnd::kFixed:
      break;
  }
  return "fixed";
}

// A latency as the plug-in reports it; implausible values count as none.
int PlausibleLatency(VstInt32 latency, int sampleRate, std::vector<std::string>& warnings) {
  if (latency >= 0 && latency <= kMaxLatencySeconds * sampleRate) return latency;
  warnings.push_back(Format("the plug-in reports a latency of %d samples; ignored", latency));
  return 0;
}

std::string FormatText(const OutputFormat& format) {
  if (format.encoded) return format.container;
  return format.container + ", " +
         SampleFormatName(format.integerSamples.value_or(SampleFormat::kFloat32));
}

// How a failed render ends its message.
std::string NotWritten(const std::string& output) {
  return output == "-" ? "nothing written" : output + " not written";
}

void CheckRenderOptions(const Options& options) {
  if (options.positional.empty()) throw UsageError("render needs a plug-in file");
  if (!options.output) throw UsageError("render needs an output file (-o OUT)");
  if (options.normalizeDbfs && options.normalizeLufs) {
    throw UsageError("--normalize and --normalize-lufs exclude each other: give one");
  }
  if (options.truePeakMaxDbtp && !options.normalizeLufs) {
    throw UsageError("--true-peak-max goes with --normalize-lufs");
  }
  if (options.split && *options.output == "-") {
    throw UsageError("--split writes files of their own: name them with -o, not -");
  }
  if (*options.output == "-" && isatty(STDOUT_FILENO) != 0) {
    throw UsageError("-o - writes the file to standard output, which is a terminal: redirect it");
  }
}

// What the render loop hands on: non-finite samples stop it (unless allowed)
// before anything else sees them; then the files, or with a gain still to
// come the spool and what the gain is chosen from.
class RenderSink : public OutputSink {
 public:
  RenderSink(const Options& options, const std::string& plugin, int sampleRate,
             std::size_t channels, OutputFiles& files, Spool* spool)
      : mAllowNonFinite(options.allowNonFinite),
        mPlugin(plugin),
        mOutput(*options.output),
        mSampleRate(sampleRate),
        mFiles(files),
        mSpool(spool),
        mLevels(channels),
        mNonFinite(channels, 0) {
    if (spool != nullptr && options.normalizeLufs) mLoudness.emplace(channels, sampleRate);
  }

  void Write(std::span<const double> interleaved, std::size_t frames) override {
    const std::size_t channels = mNonFinite.size();
    for (std::size_t i = 0; i < interleaved.size(); ++i) {
      if (std::isfinite(interleaved[i])) continue;
      if (!mAllowNonFinite) {
        throw HostError(mPlugin +
                        Format(" put out a non-finite sample (%s) on output %zu at %.3f s; ",
                               std::isnan(interleaved[i]) ? "NaN" : "infinity", i % channels + 1,
                               static_cast<double>(mFrames + i / channels) / mSampleRate) +
                        NotWritten(mOutput) + " (--allow-nonfinite writes such samples)");
      }
      ++mNonFinite[i % channels];
    }
    mFrames += frames;
    if (mSpool == nullptr) {
      mFiles.Write(interleaved, frames);
      return;
    }
    mLevels.Add(interleaved, frames);
    if (mLoudness) {
      // An infinite sample would leave the loudness filters infinite for good.
      mFinite.assign(interleaved.begin(), interleaved.end());
      for (double& sample : mFinite)
        if (!std::isfinite(sample)) sample = 0.0;
      mLoudness->Add(mFinite, frames);
    }
    mSpool->Write(interleaved);
  }

  const LevelMeter& Levels() const { return mLevels; }
  std::vector<LoudnessResult> Loudness() const {
    return mLoudness ? mLoudness->Results() : std::vector<LoudnessResult>{};
  }
  const std::vector<std::uint64_t>& NonFinite() const { return mNonFinite; }

 private:
  bool mAllowNonFinite;
  std::string mPlugin;
  std::string mOutput;
  int mSampleRate;
  OutputFiles& mFiles;
  Spool* mSpool;
  LevelMeter mLevels;
  std::optional<LoudnessMeter> mLoudness;
  std::vector<std::uint64_t> mNonFinite;
  std::vector<double> mFinite;
  std::uint64_t mFrames = 0;
};

// The spooled render through the gain into the files, its tail ended again
// where the gain leaves it quiet.
TailEnd WriteSpool(Spool& spool, OutputFiles& files, const Normalization& gain,
                   std::int64_t contentFrames, TailPolicy tail, TailEnd firstEnd,
                   std::size_t channels) {
  files.SetGain(gain.gain);
  tail.quietLevel /= gain.gain;
  OutputStage stage(channels, contentFrames, tail, files);
  std::vector<double> block(kSpoolBlockFrames * channels);
  ChannelBuffers<double> planar(channels, kSpoolBlockFrames);
  while (!stage.Ended()) {
    CheckInterruption();
    const std::size_t frames = spool.Read(block);
    if (frames == 0) break;
    for (std::size_t i = 0; i < frames; ++i)
      for (std::size_t c = 0; c < channels; ++c)
        planar.Channel(c)[i] = block[i * channels + c];
    stage.Push(planar.Pointers(), frames);
  }
  stage.Finish(firstEnd);
  return stage.HowTheTailEnded();
}

std::vector<std::string> FilesRead(const Options& options, const std::string& pluginPath) {
  std::vector<std::string> read(options.positional.begin() + 1, options.positional.end());
  for (const TrackFile& track : options.tracks)
    read.push_back(track.path);
  for (const auto& file : {options.stateFile, options.midiFile})
    if (file) read.push_back(*file);
  read.push_back(pluginPath);
  return read;
}

void ReportInputs(const RenderInputs& inputs, const Routing& routing, RenderReport& report) {
  for (std::size_t s = 0; s < inputs.sources.size(); ++s) {
    const AudioSource& source = inputs.sources[s];
    report.inputs.push_back({source.Path(), routing.tracks[s], source.Channels(), source.FileRate(),
                             source.Resampled()});
  }
  if (inputs.midi.hangingNotes > 0) {
    report.warnings.push_back(
        Format("%d notes still sound where the MIDI file ends: All Notes Off sent there",
               inputs.midi.hangingNotes));
  }
  if (inputs.midi.skippedSysex > 0) {
    report.warnings.push_back(Format("%d system exclusive messages in the MIDI file were skipped",
                                     inputs.midi.skippedSysex));
  }
}

// Clipping and samples that are not numbers, as the files hold them.
void CheckWhatWasWritten(const Options& options, const OutputFormat& format,
                         const OutputFiles& files, const RenderSink& sink, RenderReport& report) {
  if (const std::uint64_t clipped = files.TotalClipped(); clipped > 0) {
    const std::string what =
        Format("%llu samples beyond full scale (peak %s dBFS)",
               static_cast<unsigned long long>(clipped), DecibelText(files.LargestInput()).c_str());
    if (!options.allowClip && !Normalizing(options)) {
      throw HostError(what + " would be clipped in " + format.container + "; " +
                      NotWritten(*options.output) +
                      ": lower the level, or give --normalize or --allow-clip");
    }
    report.warnings.push_back(what + " were clipped");
  } else if (const std::uint64_t beyond = files.TotalBeyondFullScale(); beyond > 0) {
    // Floats keep them, but whatever plays or converts the file clips them.
    const std::string what =
        Format("%llu samples beyond full scale (peak %s dBFS)",
               static_cast<unsigned long long>(beyond), DecibelText(files.LargestInput()).c_str());
    if (!options.allowClip && !Normalizing(options)) {
      throw HostError(what +
                      " in float samples would clip wherever the file is played or "
                      "converted; " +
                      NotWritten(*options.output) +
                      ": lower the level, or give --normalize or --allow-clip");
    }
    report.warnings.push_back(what + " were written as they are, in float samples");
  }
  std::uint64_t nonFinite = 0;
  for (const std::uint64_t count : sink.NonFinite())
    nonFinite += count;
  if (nonFinite > 0) {
    report.warnings.push_back(
        Format("%llu samples from the plug-in were not finite: written ",
               static_cast<unsigned long long>(nonFinite)) +
        (format.Clips() ? "as silence (NaN) or full scale (infinity)" : "as they are"));
  }
  if (options.normalizeLufs) {
    const double ceiling =
        std::pow(10.0, options.truePeakMaxDbtp.value_or(kDefaultTruePeakMaxDbtp) / 20.0);
    for (const LoudnessResult& pair : files.Loudness()) {
      if (pair.truePeak > ceiling) {
        report.warnings.push_back(
            Format("the true peak written, %s dBTP, lies above --true-peak-max",
                   DecibelText(pair.truePeak).c_str()));
      }
    }
  }
}

// What the files hold, as they hold it.
void ReportFigures(const OutputFiles& files, const RenderSink& sink, std::int64_t contentFrames,
                   int sampleRate, RenderReport& report) {
  report.frames = files.Frames();
  const auto tail = static_cast<std::int64_t>(report.frames) - contentFrames;
  report.tailSeconds = static_cast<double>(std::max<std::int64_t>(tail, 0)) / sampleRate;
  report.peaks = files.Peaks();
  report.rms = files.Rms();
  report.clipped = files.Clipped();
  report.nonFinite = sink.NonFinite();
  report.nonFinite.resize(static_cast<std::size_t>(files.Outputs()));
  report.loudness = files.Loudness();
}

RenderReport Render(const Options& options, OutputFormat format, const std::string& pluginPath,
                    RenderInputs& inputs) {
  const int sampleRate = inputs.sampleRate;
  RenderReport report;
  PluginProcess plugin({pluginPath, options, sampleRate, inputs.midi}, options.timeoutSeconds);
  const PluginFacts& facts = plugin.Facts();
  report.warnings = facts.warnings;
  std::vector<int> fileChannels;
  for (const AudioSource& source : inputs.sources)
    fileChannels.push_back(source.Channels());
  const Routing routing = RouteStems(inputs.stems, fileChannels, facts.inputs);
  const int outputs = options.outputs.value_or(facts.outputs);
  if (outputs > facts.outputs) {
    throw HostError(Format("--outputs %d: the plug-in has %d outputs", outputs, facts.outputs));
  }
  const std::vector<std::string> paths =
      OutputFileNames(*options.output, outputs, options.split, facts.outputLabels);
  RefuseOverwritingInputs(paths, FilesRead(options, pluginPath));
  ReportInputs(inputs, routing, report);

  // A stream's length is known once it has ended: until then the content goes on.
  std::int64_t contentFrames = MidiFeed(inputs.midi, sampleRate).EndFrame();
  bool streaming = false;
  for (const AudioSource& source : inputs.sources) {
    const std::optional<std::int64_t> frames = source.Frames();
    contentFrames = std::max(contentFrames, frames.value_or(0));
    streaming = streaming || !frames;
  }
  const auto channels = static_cast<std::size_t>(outputs);
  const TailPolicy tail = ChooseTail(options, sampleRate);
  AllowForLength(format, paths.size() == 1 ? outputs : std::min(outputs, 2),
                 streaming
                     ? std::nullopt
                     : std::optional(contentFrames + tail.fixedFrames.value_or(tail.capFrames) +
                                     static_cast<std::int64_t>(kMaxLatencySeconds * sampleRate)));
  // Without --outputs, outputs after the first pair that stay digitally
  // silent are left out: a mix to two of many outputs writes two channels.
  OutputFiles files(paths, format, outputs, sampleRate, options.dither, !options.outputs);
  // Normalising needs the whole render first: it goes to a 64-bit spool
  // beside the output, which is then scaled into the files.
  std::optional<Spool> spool;
  if (Normalizing(options)) spool.emplace(files.Folder(), channels);
  RenderSink sink(options, pluginPath, sampleRate, channels, files, spool ? &*spool : nullptr);
  OutputStage stage(channels, streaming ? kEndless : contentFrames, tail, sink);
  InputFeeder feeder(inputs.sources, routing, static_cast<std::size_t>(options.blockSize));

  const Clock::time_point start = Clock::now();
  if (spool) stage.SetQuietLevel(SilenceLevel() / GainBound(options, 0.0));
  int latency = PlausibleLatency(facts.latency, sampleRate, report.warnings);
  if (options.compensate) stage.SetLatency(latency);
  ProgressBar progress(streaming ? 0 : static_cast<std::uint64_t>(contentFrames + latency));
  const auto frames = static_cast<std::size_t>(options.blockSize);
  std::int64_t position = 0;
  std::uint64_t processed = 0;
  const auto startBlock = [&](int slot) {
    feeder.Fill(plugin.Inputs(slot), frames);
    if (streaming && std::all_of(inputs.sources.begin(), inputs.sources.end(),
                                 [](const AudioSource& source) { return source.Ended(); })) {
      streaming = false;
      for (const AudioSource& source : inputs.sources)
        contentFrames = std::max(contentFrames, source.Frames().value_or(0));
      stage.SetContentFrames(contentFrames);
    }
    plugin.Start(slot, frames, position);
    position += static_cast<std::int64_t>(frames);
  };
  // The plug-in processes a few blocks ahead while the host writes what it
  // put out; each slot, once written, takes the next block.
  for (int slot = 0; slot < plugin.Slots() && !stage.Ended(); ++slot)
    startBlock(slot);
  for (int slot = 0; !stage.Ended(); slot = (slot + 1) % plugin.Slots()) {
    CheckInterruption();
    if (const std::optional<VstInt32> reported = plugin.Finish(slot)) {
      const int changed = PlausibleLatency(*reported, sampleRate, report.warnings);
      if (changed != latency && options.compensate && stage.WrittenFrames() > 0) {
        report.warnings.push_back(Format(
            "the latency changed from %d to %d samples during the render; %d was compensated",
            latency, changed, latency));
      } else {
        latency = changed;
        if (options.compensate) stage.SetLatency(latency);
      }
    }
    stage.Push(plugin.Outputs(slot), frames);
    processed += frames;
    progress.Update(processed);
    if (spool) {
      stage.SetQuietLevel(SilenceLevel() / GainBound(options, sink.Levels().LargestPeak()));
    }
    if (!stage.Ended()) startBlock(slot);
  }
  report.latencyFrames = latency;
  const double pluginSeconds = plugin.Close();

  TailEnd tailEnd = stage.HowTheTailEnded();
  if (spool) {
    const Normalization gain = ChooseGain(options, sink.Levels().LargestPeak(), sink.Loudness());
    report.normalizeNote = gain.note;
    if (gain.applied) report.normalizeGainDb = 20.0 * std::log10(gain.gain);
    tailEnd = WriteSpool(*spool, files, gain, contentFrames, tail, tailEnd, channels);
  }
  CheckWhatWasWritten(options, format, files, sink, report);
  files.Finish();
  files.Commit();
  const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  for (const AudioSource& source : inputs.sources)
    for (std::string& problem : source.Reader().Problems())
      report.warnings.push_back(std::move(problem));

  report.plugin = pluginPath;
  report.output = *options.output;
  report.files = files.Paths();
  if (files.Outputs() < outputs) {
    report.warnings.push_back(
        Format("outputs %d to %d stayed digitally silent and were left out (--outputs %d writes "
               "them)",
               files.Outputs() + 1, outputs, outputs));
  }
  report.format = FormatText(format);
  report.sampleRate = sampleRate;
  report.precisionBits = facts.precision == Precision::kDouble ? 64 : 32;
  report.blockSize = options.blockSize;
  report.midiFile = options.midiFile;
  report.midiEvents = static_cast<int>(inputs.midi.messages.size());
  report.latencyCompensated = options.compensate;
  report.tailEnd = TailEndText(tailEnd);
  ReportFigures(files, sink, contentFrames, sampleRate, report);
  const double seconds = static_cast<double>(report.frames) / sampleRate;
  if (elapsed > 0.0 && pluginSeconds > 0.0) {
    report.realTimeFactor = seconds / elapsed;
    report.pluginRealTimeFactor = seconds / pluginSeconds;
  }
  return report;
}

}  // namespace

void RunRender(const Options& options, Streams& streams) {
  CheckRenderOptions(options);
  const CooperativeInterruption cooperative;
  const std::string& outputPath = *options.output;
  const bool toStandardOutput = outputPath == "-";
  const OutputFormat format = ChooseOutputFormat(
      outputPath, options.format.value_or(toStandardOutput ? "wav" : Extension(outputPath)),
      options.bits);
  // Resolved once: a bare name means a walk through the plug-in folders.
  const std::string pluginPath = ResolvePlugin(options.positional[0]);
  RenderReport report;
  try {
    RenderInputs inputs = OpenInputs(options);
    RefuseOverwritingInputs({outputPath}, FilesRead(options, pluginPath));
    report = Render(options, format, pluginPath, inputs);
  } catch (const Interrupted& error) {
    throw Interrupted(error.Signal(), "interrupted; " + NotWritten(outputPath));
  } catch (const PluginFailure& error) {
    throw HostError(std::string(error.what()) + "; " + NotWritten(outputPath));
  }
  // Standard output may carry the file itself.
  Streams reporting{toStandardOutput ? streams.err : streams.out, streams.err};
  Warn(reporting, report.warnings);
  if (options.json) {
    PrintReportJson(report, reporting.out);
  } else {
    PrintReportText(report, reporting.out);
  }
}
