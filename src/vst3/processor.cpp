// Vst3Plugin as the host's audio processor. Ardour calls the bus and
// activation hooks on its audio thread too: none of them allocates or takes
// a lock but the plug-in's own mutex.
#include <algorithm>
#include <cmath>
#include <type_traits>

#include "vst3/vst3_plugin.h"

using namespace vst3;

tresult Vst3Plugin::setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                       SpeakerArrangement* outputs, int32 numOuts) {
  if (numIns != BusCount(kAudio, kInput) || numOuts != BusCount(kAudio, kOutput) ||
      (numIns > 0 && !inputs) || (numOuts > 0 && !outputs))
    return kResultFalse;
  // Stereo pairs only; anything else is refused and the buses stay stereo.
  const auto stereo = [](SpeakerArrangement a) { return a == kStereoArrangement; };
  return std::all_of(inputs, inputs + numIns, stereo) &&
                 std::all_of(outputs, outputs + numOuts, stereo)
             ? kResultTrue
             : kResultFalse;
}

tresult Vst3Plugin::getBusArrangement(BusDirection dir, int32 index,
                                      SpeakerArrangement* arrangement) {
  if (!arrangement || !BusExists(kAudio, dir, index)) return kInvalidArgument;
  *arrangement = kStereoArrangement;
  return kResultOk;
}

tresult Vst3Plugin::canProcessSampleSize(int32 symbolicSampleSize) {
  return symbolicSampleSize == kSample32 || symbolicSampleSize == kSample64 ? kResultTrue
                                                                            : kResultFalse;
}

uint32 Vst3Plugin::getLatencySamples() {
  return static_cast<uint32>(std::max(mLatency.load(std::memory_order_relaxed), 0));
}

tresult Vst3Plugin::setupProcessing(ProcessSetup* setup) {
  if (!setup) return kInvalidArgument;
  // Set up while inactive only, as the format has it.
  if (mActive.load(std::memory_order_acquire)) return kResultFalse;
  if (!std::isfinite(setup->sampleRate) || setup->sampleRate <= 0. ||
      setup->maxSamplesPerBlock <= 0 ||
      canProcessSampleSize(setup->symbolicSampleSize) != kResultTrue)
    return kInvalidArgument;
  (void)Enter([&] {
    SetSampleRate(setup->sampleRate);
    SetMaxBlockSize(std::min(setup->maxSamplesPerBlock, IEffectBase::kMaxBlockSize));
  });
  mOffline.store(setup->processMode == kOffline, std::memory_order_relaxed);
  mSetUp.store(true, std::memory_order_release);
  return kResultOk;
}

tresult Vst3Plugin::setProcessing(TBool) {
  return kResultOk;
}

uint32 Vst3Plugin::getTailSamples() {
  return static_cast<uint32>(std::max(Plug().GetTailSize(), 0));
}

uint32 Vst3Plugin::getProcessContextRequirements() {
  // What HostTransport carries: project time, bar, cycle, tempo, time
  // signature, transport state.
  return 4 | 8 | 16 | 64 | 128 | 1024;
}

template <typename Sample>
void Vst3Plugin::BindChannels(const ProcessData& data, std::vector<Sample*>* in,
                              std::vector<Sample*>* out) {
  const auto bind = [&](const AudioBusBuffers* buses, int32 count, std::size_t firstFlag,
                        bool input, std::vector<Sample*>* channels) {
    for (std::size_t c = 0; c < channels->size(); ++c) {
      const std::size_t bus = c / 2, channel = c % 2;
      Sample* pointer = nullptr;
      if (buses && bus < static_cast<std::size_t>(count) &&
          mBusActive[firstFlag + bus].load(std::memory_order_acquire)) {
        const AudioBusBuffers& buffers = buses[bus];
        Sample** host = nullptr;
        if constexpr (std::is_same_v<Sample, float>)
          host = buffers.channelBuffers32;
        else
          host = buffers.channelBuffers64;
        const bool silent = input && (buffers.silenceFlags >> channel & 1u);
        if (host && buffers.numChannels > static_cast<int32>(channel) && !silent)
          pointer = host[channel];
      }
      (*channels)[c] = pointer;
    }
  };
  bind(data.inputs, data.numInputs, 0, true, in);
  bind(data.outputs, data.numOutputs, mDescriptor.mInputs.size(), false, out);
}

template <typename Sample>
void Vst3Plugin::RunPieces(std::vector<Sample*>& in, std::vector<Sample*>& out, int32 frames) {
  std::vector<Sample*>* pieceIn;
  std::vector<Sample*>* pieceOut;
  if constexpr (std::is_same_v<Sample, float>) {
    pieceIn = &mPieceIn32, pieceOut = &mPieceOut32;
  } else {
    pieceIn = &mPieceIn64, pieceOut = &mPieceOut64;
  }
  IEffectBase& plug = Plug();
  const auto run = [&](int32 from, int32 to) {
    if (to <= from) return;
    for (std::size_t c = 0; c < in.size(); ++c)
      (*pieceIn)[c] = in[c] ? in[c] + from : nullptr;
    for (std::size_t c = 0; c < out.size(); ++c)
      (*pieceOut)[c] = out[c] ? out[c] + from : nullptr;
    mPieceStart = from;
    if constexpr (std::is_same_v<Sample, float>)
      plug.ProcessBlock(pieceIn->data(), pieceOut->data(), to - from, false);
    else
      plug.ProcessBlock(pieceIn->data(), pieceOut->data(), to - from);
  };
  int32 done = 0;
  for (const ChangePoints::Point& point : mChanges.Points()) {
    run(done, point.mOffset);
    done = std::max(done, point.mOffset);
    if (const int index = mParams.IndexOf(point.mId); index >= 0)
      plug.SetParameterFromHost(index, point.mValue);
  }
  run(done, frames);
  mPieceStart = 0;
}

template <typename Sample>
void Vst3Plugin::MarkSilence(ProcessData& data, const std::vector<Sample*>& out) {
  if (!data.outputs) return;
  const auto frames = static_cast<std::size_t>(data.numSamples);
  for (int32 bus = 0; bus < data.numOutputs; ++bus) {
    AudioBusBuffers& buffers = data.outputs[bus];
    Sample** host = nullptr;
    if constexpr (std::is_same_v<Sample, float>)
      host = buffers.channelBuffers32;
    else
      host = buffers.channelBuffers64;
    buffers.silenceFlags = 0;
    if (!host) continue;
    for (int32 channel = 0; channel < buffers.numChannels && channel < 64; ++channel) {
      Sample* samples = host[channel];
      if (!samples) continue;
      const std::size_t c = static_cast<std::size_t>(bus) * 2 + static_cast<std::size_t>(channel);
      // A channel the plug-in did not write (an inactive bus, a channel it
      // lacks) is silence, not what the buffer held.
      if (channel >= 2 || c >= out.size() || out[c] != samples)
        std::fill(samples, samples + frames, Sample{0});
      if (std::all_of(samples, samples + frames, [](Sample s) { return s == Sample{0}; }))
        buffers.silenceFlags |= std::uint64_t{1} << channel;
    }
  }
}

void Vst3Plugin::SilenceOutputs(ProcessData& data) {
  if (data.numSamples <= 0) return;
  mOut32.assign(mOut32.size(), nullptr);
  mOut64.assign(mOut64.size(), nullptr);
  if (data.symbolicSampleSize == kSample64)
    MarkSilence(data, mOut64);
  else if (data.symbolicSampleSize == kSample32)
    MarkSilence(data, mOut32);
}

tresult Vst3Plugin::process(ProcessData* data) {
  if (!data) return kInvalidArgument;
  const ThreadRoleScope audio(ThreadRole::kAudio);
  if (data->numSamples < 0 || data->numInputs < 0 || data->numOutputs < 0 ||
      (data->symbolicSampleSize != kSample32 && data->symbolicSampleSize != kSample64))
    return kInvalidArgument;
  // Before set-up and activation there is nothing to run: silence.
  if (!mSetUp.load(std::memory_order_acquire) || !mActive.load(std::memory_order_acquire)) {
    SilenceOutputs(*data);
    return kNotInitialized;
  }
  mOffline.store(data->processMode == kOffline, std::memory_order_relaxed);
  // The host's objects are read before the plug-in's mutex is taken.
  mChanges.Gather(data->inputParameterChanges, data->numSamples);
  mContext = data->processContext;
  const bool wide = data->symbolicSampleSize == kSample64;
  if (wide)
    BindChannels(*data, &mIn64, &mOut64);
  else
    BindChannels(*data, &mIn32, &mOut32);
  (void)Enter([&] {
    if (wide)
      RunPieces(mIn64, mOut64, data->numSamples);
    else
      RunPieces(mIn32, mOut32, data->numSamples);
  });
  mContext = nullptr;
  if (data->numSamples > 0) {
    if (wide)
      MarkSilence(*data, mOut64);
    else
      MarkSilence(*data, mOut32);
  }
  return kResultOk;
}
