#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include "quor-host/audio_files.h"
#include "quor-host/commands.h"
#include "quor-host/host_error.h"
#include "quor-host/levels.h"
#include "quor-host/plugin.h"
#include "quor-host/progress.h"
#include "quor-host/text.h"

namespace {

using Clock = std::chrono::steady_clock;

// Planar channels of one block, with the pointer array the interface takes.
template <typename Sample>
class ChannelBuffers {
 public:
  ChannelBuffers(std::size_t channels, std::size_t frames)
      : mFrames(frames), mSamples(channels * frames), mPointers(channels) {
    for (std::size_t c = 0; c < channels; ++c)
      mPointers[c] = mSamples.data() + c * frames;
  }
  std::span<Sample> Channel(std::size_t channel) { return {mPointers[channel], mFrames}; }
  Sample** Pointers() { return mPointers.data(); }
  std::size_t Channels() const { return mPointers.size(); }
  void Clear() { std::fill(mSamples.begin(), mSamples.end(), Sample{}); }

 private:
  std::size_t mFrames;
  std::vector<Sample> mSamples;
  std::vector<Sample*> mPointers;
};

template <typename To, typename From>
void Convert(ChannelBuffers<From>& from, ChannelBuffers<To>& to, std::size_t frames) {
  for (std::size_t c = 0; c < from.Channels(); ++c) {
    const auto source = from.Channel(c).first(frames);
    std::transform(source.begin(), source.end(), to.Channel(c).begin(),
                   [](From sample) { return static_cast<To>(sample); });
  }
}

// Brackets processing with the requests a host sends around it, also when a
// block fails.
class ProcessingSession {
 public:
  ProcessingSession(const Plugin& plugin, bool doublePrecision) : mPlugin(plugin) {
    mPlugin.Dispatch(effSetProcessPrecision, 0, doublePrecision ? 1 : 0);
    mPlugin.Dispatch(effMainsChanged, 0, 1);
    mPlugin.Dispatch(effStartProcess);
    mPlugin.Context().rendering = true;
  }
  ~ProcessingSession() {
    mPlugin.Context().rendering = false;
    mPlugin.Dispatch(effStopProcess);
    mPlugin.Dispatch(effMainsChanged, 0, 0);
  }
  ProcessingSession(const ProcessingSession&) = delete;
  ProcessingSession& operator=(const ProcessingSession&) = delete;

 private:
  const Plugin& mPlugin;
};

struct RenderSetup {
  std::vector<AudioReader> inputs;
  int sampleRate = 0;
  int inputChannels = 0;
  std::int64_t frames = 0;
};

RenderSetup OpenInputs(const std::vector<std::string>& paths) {
  if (paths.empty()) throw HostError("render needs at least one input file");
  RenderSetup setup;
  setup.inputs.reserve(paths.size());
  for (const std::string& path : paths) {
    AudioReader& reader = setup.inputs.emplace_back(path);
    const AudioReader& first = setup.inputs.front();
    if (reader.SampleRate() != first.SampleRate()) {
      throw HostError(Format("sample rates differ: %s has %d Hz, %s has %d Hz",
                             first.Path().c_str(), first.SampleRate(), path.c_str(),
                             reader.SampleRate()));
    }
    setup.inputChannels += reader.Channels();
    setup.frames = std::max(setup.frames, reader.Frames());
  }
  setup.sampleRate = setup.inputs.front().SampleRate();
  return setup;
}

Precision ChoosePrecision(const Plugin& plugin, const Options& options) {
  const AEffect& effect = plugin.Effect();
  const bool canDouble =
      plugin.HasFlag(effFlagsCanDoubleReplacing) && effect.processDoubleReplacing != nullptr;
  const Precision precision =
      options.precision.value_or(canDouble ? Precision::kDouble : Precision::kSingle);
  if (precision == Precision::kDouble && !canDouble) {
    throw HostError("the plug-in cannot process 64-bit audio");
  }
  if (precision == Precision::kSingle && effect.processReplacing == nullptr &&
      effect.process == nullptr) {
    throw HostError("the plug-in has no 32-bit processing");
  }
  return precision;
}

// Where a plug-in writes its outputs: its own buffers, or, for hosts that
// process in place, the input buffers of the channels both sides have.
template <typename Sample>
std::vector<Sample*> OutputTargets(ChannelBuffers<Sample>& in, ChannelBuffers<Sample>& out,
                                   bool inPlace) {
  std::vector<Sample*> targets(out.Pointers(), out.Pointers() + out.Channels());
  if (inPlace) {
    for (std::size_t c = 0; c < std::min(in.Channels(), out.Channels()); ++c) {
      targets[c] = in.Pointers()[c];
    }
  }
  return targets;
}

template <typename Sample>
void Collect(const std::vector<Sample*>& targets, ChannelBuffers<double>& out, std::size_t frames) {
  for (std::size_t c = 0; c < targets.size(); ++c) {
    std::transform(targets[c], targets[c] + frames, out.Channel(c).begin(),
                   [](Sample sample) { return static_cast<double>(sample); });
  }
}

class Renderer {
 public:
  Renderer(const Plugin& plugin, Precision precision, std::size_t blockSize, bool inPlace)
      : mPlugin(plugin),
        mPrecision(precision),
        mIn(static_cast<std::size_t>(plugin.NumInputs()), blockSize),
        mOut(static_cast<std::size_t>(plugin.NumOutputs()), blockSize),
        mInSingle(precision == Precision::kSingle ? mIn.Channels() : 0, blockSize),
        mOutSingle(precision == Precision::kSingle ? mOut.Channels() : 0, blockSize),
        mTargets(OutputTargets(mIn, mOut, inPlace)),
        mSingleTargets(OutputTargets(mInSingle, mOutSingle, inPlace)) {}

  // Fills the inputs from the files, file after file; silence where they end.
  void ReadInputs(std::vector<AudioReader>& readers, std::size_t frames) {
    mIn.Clear();
    std::size_t channel = 0;
    for (AudioReader& reader : readers) {
      const auto channels = static_cast<std::size_t>(reader.Channels());
      mInterleaved.resize(frames * channels);
      const std::size_t read = reader.Read(mInterleaved);
      for (std::size_t c = 0; c < channels; ++c) {
        const std::span<double> target = mIn.Channel(channel + c);
        for (std::size_t i = 0; i < read; ++i)
          target[i] = mInterleaved[i * channels + c];
      }
      channel += channels;
    }
  }

  void Process(std::size_t frames) {
    AEffect& effect = mPlugin.Effect();
    const auto count = static_cast<VstInt32>(frames);
    if (mPrecision == Precision::kDouble) {
      effect.processDoubleReplacing(&effect, mIn.Pointers(), mTargets.data(), count);
      Collect(mTargets, mOut, frames);
      return;
    }
    Convert(mIn, mInSingle, frames);
    if (mPlugin.HasFlag(effFlagsCanReplacing) && effect.processReplacing != nullptr) {
      effect.processReplacing(&effect, mInSingle.Pointers(), mSingleTargets.data(), count);
    } else {
      mOutSingle.Clear();  // the old call adds to what is there
      effect.process(&effect, mInSingle.Pointers(), mOutSingle.Pointers(), count);
    }
    Collect(mSingleTargets, mOut, frames);
  }

  std::span<const double> Output(std::size_t channel, std::size_t frames) {
    return mOut.Channel(channel).first(frames);
  }

  std::span<const double> Interleave(std::size_t channels, std::size_t frames) {
    mInterleaved.resize(frames * channels);
    for (std::size_t c = 0; c < channels; ++c) {
      const auto source = mOut.Channel(c);
      for (std::size_t i = 0; i < frames; ++i)
        mInterleaved[i * channels + c] = source[i];
    }
    return mInterleaved;
  }

 private:
  const Plugin& mPlugin;
  Precision mPrecision;
  ChannelBuffers<double> mIn, mOut;
  ChannelBuffers<float> mInSingle, mOutSingle;
  std::vector<double*> mTargets;
  std::vector<float*> mSingleTargets;
  std::vector<double> mInterleaved;
};

void PrintLevels(const LevelMeter& levels, std::ostream& out) {
  out << "output  peak dBFS   RMS dBFS\n";
  for (std::size_t c = 0; c < levels.Channels(); ++c) {
    out << Format("%6zu  %9s  %9s\n", c + 1, DecibelText(levels.Peak(c)).c_str(),
                  DecibelText(levels.Rms(c)).c_str());
  }
}

}  // namespace

void RunRender(const Options& options, std::ostream& out) {
  if (options.positional.empty()) throw HostError("render needs a plug-in file");
  if (!options.output) throw HostError("render needs an output file (-o OUT)");
  const std::vector<std::string> inputPaths(options.positional.begin() + 1,
                                            options.positional.end());
  RenderSetup setup = OpenInputs(inputPaths);

  HostContext context;
  context.sampleRate = setup.sampleRate;
  context.blockSize = options.blockSize;
  const Plugin plugin(options.positional[0], context);
  if (setup.inputChannels > plugin.NumInputs()) {
    throw HostError(Format("the input files hold %d channels, the plug-in takes %d",
                           setup.inputChannels, plugin.NumInputs()));
  }
  if (plugin.NumOutputs() < 1) throw HostError("the plug-in has no outputs");
  const int outputs = options.outputs.value_or(plugin.NumOutputs());
  if (outputs > plugin.NumOutputs()) {
    throw HostError(
        Format("--outputs %d: the plug-in has %d outputs", outputs, plugin.NumOutputs()));
  }
  const Precision precision = ChoosePrecision(plugin, options);

  plugin.Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(setup.sampleRate));
  plugin.Dispatch(effSetBlockSize, 0, options.blockSize);
  if (options.stateFile) LoadStateFile(plugin, *options.stateFile);
  ApplySettings(plugin, options.settings);

  AudioWriter writer(*options.output, outputs, setup.sampleRate);
  Renderer renderer(plugin, precision, static_cast<std::size_t>(options.blockSize),
                    options.inPlace);
  LevelMeter levels(static_cast<std::size_t>(outputs));
  const auto total = static_cast<std::uint64_t>(setup.frames);
  Clock::duration processing{};
  const Clock::time_point start = Clock::now();
  {
    const ProcessingSession session(plugin, precision == Precision::kDouble);
    ProgressBar progress(total);
    for (std::uint64_t done = 0; done < total;) {
      const auto frames = static_cast<std::size_t>(
          std::min<std::uint64_t>(total - done, static_cast<std::uint64_t>(options.blockSize)));
      renderer.ReadInputs(setup.inputs, frames);
      context.samplePos = static_cast<double>(done);
      const Clock::time_point blockStart = Clock::now();
      renderer.Process(frames);
      processing += Clock::now() - blockStart;
      for (std::size_t c = 0; c < levels.Channels(); ++c) {
        levels.Add(c, renderer.Output(c, frames));
      }
      levels.CountFrames(frames);
      writer.Write(renderer.Interleave(static_cast<std::size_t>(outputs), frames));
      done += frames;
      progress.Update(done);
    }
  }
  writer.Close();
  const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  const double seconds = static_cast<double>(total) / setup.sampleRate;
  const double processed = std::chrono::duration<double>(processing).count();

  out << Format("rendered %.3f s (%llu frames at %d Hz, %d-bit, block %d) to %s\n", seconds,
                static_cast<unsigned long long>(total), setup.sampleRate,
                precision == Precision::kDouble ? 64 : 32, options.blockSize,
                options.output->c_str());
  PrintLevels(levels, out);
  if (elapsed > 0.0 && processed > 0.0) {
    out << Format("real-time factor: %.1f (plug-in alone: %.1f)\n", seconds / elapsed,
                  seconds / processed);
  }
}
