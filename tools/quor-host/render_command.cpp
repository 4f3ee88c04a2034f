#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <memory>
#include <vector>

#include "quor-host/audio_files.h"
#include "quor-host/audio_source.h"
#include "quor-host/commands.h"
#include "quor-host/fx_file.h"
#include "quor-host/host_error.h"
#include "quor-host/input_routing.h"
#include "quor-host/interruption.h"
#include "quor-host/levels.h"
#include "quor-host/loudness.h"
#include "quor-host/midi_feed.h"
#include "quor-host/output_stage.h"
#include "quor-host/plugin.h"
#include "quor-host/plugin_search.h"
#include "quor-host/progress.h"
#include "quor-host/render_report.h"
#include "quor-host/renderer.h"
#include "quor-host/text.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRateWithoutInputs = 48000;
constexpr double kMaxLatencySeconds = 10.0;
constexpr std::size_t kSpoolBlockFrames = 8192;

// The output must never replace a file the render reads.
void RefuseOverwritingInputs(const std::string& output, const std::vector<std::string>& inputs) {
  std::error_code error;
  if (!std::filesystem::exists(output, error)) return;
  for (const std::string& input : inputs) {
    if (std::filesystem::equivalent(output, input, error)) {
      throw UsageError("-o " + output + " is also an input (" + input +
                       "); nothing was written: name another output");
    }
  }
}

// Meters what goes into the file, after the normalising gain.
class MeasuredFile : public OutputSink {
 public:
  MeasuredFile(AudioWriter& writer, std::size_t channels, int sampleRate, bool measureLoudness,
               double gain = 1.0)
      : mWriter(writer), mLevels(channels), mGain(gain) {
    if (measureLoudness) mLoudness.emplace(static_cast<int>(channels), sampleRate);
  }
  void Write(std::span<const double> interleaved, std::size_t frames) override {
    std::span<const double> samples = interleaved;
    if (mGain != 1.0) {
      mScaled.assign(interleaved.begin(), interleaved.end());
      for (double& sample : mScaled)
        sample *= mGain;
      samples = mScaled;
    }
    mLevels.Add(samples, frames);
    if (mLoudness) mLoudness->Add(samples, frames);
    mWriter.Write(samples);
  }
  const LevelMeter& Levels() const { return mLevels; }
  std::vector<LoudnessResult> Loudness() const {
    return mLoudness ? mLoudness->Results() : std::vector<LoudnessResult>{};
  }

 private:
  AudioWriter& mWriter;
  LevelMeter mLevels;
  std::optional<LoudnessMeter> mLoudness;
  double mGain;
  std::vector<double> mScaled;
};

struct Inputs {
  std::vector<Stem> stems;
  std::vector<AudioSource> sources;
  MidiSequence midi;
  int sampleRate = kRateWithoutInputs;
};

Inputs OpenInputs(const Options& options) {
  Inputs inputs;
  inputs.stems =
      ListStems({options.positional.begin() + 1, options.positional.end()}, options.tracks);
  if (inputs.stems.empty() && !options.midiFile) {
    throw UsageError("render needs an input file or --midi");
  }
  if (options.sampleRate) {
    inputs.sampleRate = *options.sampleRate;
  } else if (!inputs.stems.empty()) {
    inputs.sampleRate = AudioReader(inputs.stems.front().path).SampleRate();
  }
  for (const Stem& stem : inputs.stems)
    inputs.sources.emplace_back(stem.path, inputs.sampleRate);
  if (options.midiFile) {
    try {
      inputs.midi = ParseMidiFile(ReadWholeFile(*options.midiFile));
    } catch (const HostError& error) {
      const std::string message = error.what();
      throw HostError(message.starts_with(*options.midiFile) ? message
                                                             : *options.midiFile + ": " + message);
    }
  }
  return inputs;
}

TailPolicy ChooseTail(const Options& options, int sampleRate) {
  TailPolicy tail;
  const auto frames = [&](double seconds) { return std::llround(seconds * sampleRate); };
  if (options.tailSeconds) tail.fixedFrames = frames(*options.tailSeconds);
  tail.quietFrames = frames(kTailQuietSeconds);
  tail.capFrames = frames(kTailCapSeconds);
  tail.quietLevel = std::pow(10.0, kTailQuietDbfs / 20.0);
  return tail;
}

const char* TailEndText(const OutputStage& stage) {
  switch (stage.HowTheTailEnded()) {
    case TailEnd::kQuiet:
      return "until below -120 dBFS";
    case TailEnd::kCap:
      return "cut at the 30 s cap";
    case TailEnd::kFixed:
      break;
  }
  return "fixed";
}

// The plug-in's latency as it reports it; implausible values count as none.
int ReadLatency(const Plugin& plugin, int sampleRate, std::vector<std::string>& warnings) {
  const VstInt32 latency = plugin.Effect().initialDelay;
  if (latency >= 0 && latency <= kMaxLatencySeconds * sampleRate) return latency;
  warnings.push_back(Format("the plug-in reports a latency of %d samples; ignored", latency));
  return 0;
}

std::string FormatText(const OutputFormat& format) {
  if (format.encoded) return format.container;
  return format.container + ", " +
         SampleFormatName(format.integerSamples.value_or(SampleFormat::kFloat32));
}

}  // namespace

void RunRender(const Options& options, Streams& streams) {
  if (options.positional.empty()) throw UsageError("render needs a plug-in file");
  if (!options.output) throw UsageError("render needs an output file (-o OUT)");
  const std::string& outputPath = *options.output;
  OutputFormat format = ChooseOutputFormat(outputPath, options.bits);
  // Resolved once: a bare name means a walk through the plug-in folders.
  const std::string pluginPath = ResolvePlugin(options.positional[0]);
  {
    std::vector<std::string> read(options.positional.begin() + 1, options.positional.end());
    for (const TrackFile& track : options.tracks)
      read.push_back(track.path);
    for (const auto& file : {options.stateFile, options.midiFile})
      if (file) read.push_back(*file);
    read.push_back(pluginPath);
    RefuseOverwritingInputs(outputPath, read);
  }

  Inputs inputs = OpenInputs(options);
  const int sampleRate = inputs.sampleRate;
  RenderReport report;
  HostContext context;
  context.sampleRate = sampleRate;
  context.blockSize = options.blockSize;
  const Plugin plugin(pluginPath, context);
  std::vector<int> fileChannels;
  for (const AudioSource& source : inputs.sources)
    fileChannels.push_back(source.Channels());
  const Routing routing = RouteStems(inputs.stems, fileChannels, plugin.NumInputs());
  if (plugin.NumOutputs() < 1) throw HostError("the plug-in has no outputs");
  const int outputs = options.outputs.value_or(plugin.NumOutputs());
  if (outputs > plugin.NumOutputs()) {
    throw HostError(
        Format("--outputs %d: the plug-in has %d outputs", outputs, plugin.NumOutputs()));
  }
  const Precision precision = ChoosePrecision(plugin, options);
  if (options.midiFile && !plugin.HasFlag(effFlagsIsSynth)) {
    std::string capability = "receiveVstMidiEvent";
    if (plugin.Dispatch(effCanDo, 0, 0, capability.data()) <= 0) {
      report.warnings.push_back("the plug-in does not say that it takes MIDI");
    }
  }

  plugin.Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
  plugin.Dispatch(effSetBlockSize, 0, options.blockSize);
  for (std::string& warning : ApplyStateOptions(plugin, options))
    report.warnings.push_back(std::move(warning));

  MidiFeed midi(inputs.midi, sampleRate);
  std::int64_t contentFrames = midi.EndFrame();
  for (std::size_t s = 0; s < inputs.sources.size(); ++s) {
    const AudioSource& source = inputs.sources[s];
    contentFrames = std::max(contentFrames, source.Frames());
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

  const auto channels = static_cast<std::size_t>(outputs);
  const TailPolicy tail = ChooseTail(options, sampleRate);
  AllowForLength(format, outputs,
                 contentFrames + tail.fixedFrames.value_or(tail.capFrames) +
                     static_cast<std::int64_t>(kMaxLatencySeconds * sampleRate));
  AudioWriter writer(outputPath, format, outputs, sampleRate);
  // Normalising needs the whole render's peak first: it goes to a 64-bit
  // spool beside the output, which is then scaled into the file.
  OutputFormat spoolFormat;
  spoolFormat.container = "W64";
  spoolFormat.sndfileFormat = SF_FORMAT_W64 | SF_FORMAT_DOUBLE;
  std::unique_ptr<AudioWriter> spool;
  if (options.normalizeDbfs) {
    spool = std::make_unique<AudioWriter>(outputPath, spoolFormat, outputs, sampleRate);
  }
  auto file = std::make_unique<MeasuredFile>(spool ? *spool : writer, channels, sampleRate, !spool);
  Renderer renderer(plugin, precision, static_cast<std::size_t>(options.blockSize), options.inPlace,
                    inputs.sources, routing, midi);
  OutputStage stage(channels, contentFrames, tail, *file);

  Clock::duration processing{};
  const Clock::time_point start = Clock::now();
  {
    const ProcessingSession session(plugin, precision == Precision::kDouble);
    int latency = ReadLatency(plugin, sampleRate, report.warnings);
    context.ioChanged = false;
    if (options.compensate) stage.SetLatency(latency);
    ProgressBar progress(static_cast<std::uint64_t>(contentFrames + latency));
    std::uint64_t done = 0;
    while (!stage.Ended()) {
      if (InterruptionRequested()) throw HostError("interrupted; " + outputPath + " not written");
      const auto frames = static_cast<std::size_t>(options.blockSize);
      const Clock::time_point blockStart = Clock::now();
      renderer.Process(frames);
      processing += Clock::now() - blockStart;
      // A plug-in tells of a new latency through audioMasterIOChanged.
      if (context.ioChanged) {
        context.ioChanged = false;
        const int changed = ReadLatency(plugin, sampleRate, report.warnings);
        if (changed != latency && options.compensate && stage.WrittenFrames() > 0) {
          report.warnings.push_back(Format(
              "the latency changed from %d to %d samples during the render; %d was compensated",
              latency, changed, latency));
        } else {
          latency = changed;
          if (options.compensate) stage.SetLatency(latency);
        }
      }
      stage.Push(renderer.Outputs(), frames);
      done += frames;
      progress.Update(done);
    }
    report.latencyFrames = latency;
  }
  const double processed = std::chrono::duration<double>(processing).count();

  if (spool) {
    spool->Close();
    const double peak = file->Levels().LargestPeak();
    const double gain = peak > 0.0 ? std::pow(10.0, *options.normalizeDbfs / 20.0) / peak : 1.0;
    report.normalizeGainDb = 20.0 * std::log10(gain);
    file = std::make_unique<MeasuredFile>(writer, channels, sampleRate, true, gain);
    AudioReader reader(spool->TemporaryPath());
    std::vector<double> block(kSpoolBlockFrames * channels);
    while (const std::size_t frames = reader.Read(block)) {
      file->Write(std::span(block).first(frames * channels), frames);
    }
  }

  const LevelMeter& levels = file->Levels();
  report.formatClips = format.Clips();
  if (format.Clips() && levels.TotalOver() > 0) {
    const std::string what = Format("%llu samples beyond full scale (peak %s dBFS)",
                                    static_cast<unsigned long long>(levels.TotalOver()),
                                    DecibelText(levels.LargestPeak()).c_str());
    if (!options.allowClip && !options.normalizeDbfs) {
      throw HostError(what + " would be clipped in " + format.container + "; " + outputPath +
                      " not written: lower the level, or give --normalize or --allow-clip");
    }
    report.warnings.push_back(what + " were clipped");
  }
  writer.Commit();
  const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();

  report.plugin = plugin.Path();
  report.output = outputPath;
  report.format = FormatText(format);
  report.sampleRate = sampleRate;
  report.precisionBits = precision == Precision::kDouble ? 64 : 32;
  report.blockSize = options.blockSize;
  report.frames = levels.Frames();
  report.midiFile = options.midiFile;
  report.midiEvents = static_cast<int>(inputs.midi.messages.size());
  report.latencyCompensated = options.compensate;
  report.tailSeconds = static_cast<double>(stage.TailFrames()) / sampleRate;
  report.tailEnd = TailEndText(stage);
  FillLevels(report, levels);
  report.loudness = file->Loudness();
  const double seconds = static_cast<double>(report.frames) / sampleRate;
  if (elapsed > 0.0 && processed > 0.0) {
    report.realTimeFactor = seconds / elapsed;
    report.pluginRealTimeFactor = seconds / processed;
  }
  Warn(streams, report.warnings);
  if (options.json) {
    PrintReportJson(report, streams.out);
  } else {
    PrintReportText(report, streams.out);
  }
}
