#include "quor-host/renderer.h"

#include <algorithm>

#include "quor-host/host_error.h"

namespace {

template <typename To, typename From>
void Convert(ChannelBuffers<From>& from, ChannelBuffers<To>& to, std::size_t frames) {
  for (std::size_t c = 0; c < from.Channels(); ++c) {
    const auto source = from.Channel(c).first(frames);
    std::transform(source.begin(), source.end(), to.Channel(c).begin(),
                   [](From sample) { return static_cast<To>(sample); });
  }
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

}  // namespace

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

ProcessingSession::ProcessingSession(const Plugin& plugin, bool doublePrecision) : mPlugin(plugin) {
  mPlugin.Dispatch(effSetProcessPrecision, 0, doublePrecision ? 1 : 0);
  mPlugin.Dispatch(effMainsChanged, 0, 1);
  mPlugin.Dispatch(effStartProcess);
  mPlugin.Context().rendering = true;
}

ProcessingSession::~ProcessingSession() {
  mPlugin.Context().rendering = false;
  mPlugin.Dispatch(effStopProcess);
  mPlugin.Dispatch(effMainsChanged, 0, 0);
}

Renderer::Renderer(const Plugin& plugin, Precision precision, std::size_t blockSize, bool inPlace,
                   std::vector<AudioSource>& sources, const Routing& routing, MidiFeed& midi)
    : mPlugin(plugin),
      mPrecision(precision),
      mSources(sources),
      mRouting(routing),
      mMidi(midi),
      mIn(static_cast<std::size_t>(plugin.NumInputs()), blockSize),
      mOut(static_cast<std::size_t>(plugin.NumOutputs()), blockSize),
      mInSingle(precision == Precision::kSingle ? mIn.Channels() : 0, blockSize),
      mOutSingle(precision == Precision::kSingle ? mOut.Channels() : 0, blockSize),
      mTargets(OutputTargets(mIn, mOut, inPlace)),
      mSingleTargets(OutputTargets(mInSingle, mOutSingle, inPlace)) {
  for (const AudioSource& source : sources) {
    mFileBlocks.emplace_back(blockSize * static_cast<std::size_t>(source.Channels()));
  }
}

void Renderer::ReadInputs(std::size_t frames) {
  for (std::size_t s = 0; s < mSources.size(); ++s) {
    const std::size_t samples = frames * static_cast<std::size_t>(mSources[s].Channels());
    mSources[s].Read(std::span(mFileBlocks[s]).first(samples));
  }
  for (std::size_t input = 0; input < mIn.Channels(); ++input) {
    const std::span<double> target = mIn.Channel(input);
    const auto& feed = mRouting.feeds[input];
    if (!feed) {
      std::fill(target.begin(), target.end(), 0.0);
      continue;
    }
    const std::vector<double>& block = mFileBlocks[feed->stem];
    const auto channels = static_cast<std::size_t>(mSources[feed->stem].Channels());
    for (std::size_t i = 0; i < frames; ++i) {
      target[i] = block[i * channels + static_cast<std::size_t>(feed->channel)];
    }
  }
}

void Renderer::Process(std::size_t frames) {
  ReadInputs(frames);
  mPlugin.Context().samplePos = static_cast<double>(mPosition);
  if (VstEvents* events = mMidi.Block(mPosition, frames)) {
    mPlugin.Dispatch(effProcessEvents, 0, 0, events);
  }
  mPosition += static_cast<std::int64_t>(frames);

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
