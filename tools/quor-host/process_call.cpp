#include "quor-host/process_call.h"

#include <algorithm>

#include "quor-host/host_error.h"

namespace {

// Where a plug-in writes its outputs: their own buffers, or, for hosts that
// process in place, the input buffers of the channels both sides have.
template <typename Sample>
void PointTargets(std::vector<Sample*>& targets, Sample* const* inputs, std::size_t inputCount,
                  Sample* const* outputs, bool inPlace) {
  for (std::size_t c = 0; c < targets.size(); ++c)
    targets[c] = inPlace && c < inputCount ? inputs[c] : outputs[c];
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

ProcessCall::ProcessCall(const Plugin& plugin, Precision precision, std::size_t blockSize,
                         bool inPlace)
    : mPlugin(plugin),
      mPrecision(precision),
      mInPlace(inPlace),
      mInputs(static_cast<std::size_t>(plugin.NumInputs())),
      mTargets(static_cast<std::size_t>(plugin.NumOutputs())),
      mInSingle(precision == Precision::kSingle ? mInputs.size() : 0, blockSize),
      mOutSingle(precision == Precision::kSingle ? mTargets.size() : 0, blockSize),
      mSingleTargets(mOutSingle.Channels()) {
  PointTargets(mSingleTargets, mInSingle.Pointers(), mInSingle.Channels(), mOutSingle.Pointers(),
               inPlace);
}

void ProcessCall::Process(double* const* inputs, double* const* outputs, std::size_t frames) {
  AEffect& effect = mPlugin.Effect();
  const auto count = static_cast<VstInt32>(frames);
  std::copy_n(inputs, mInputs.size(), mInputs.begin());
  if (mPrecision == Precision::kDouble) {
    PointTargets(mTargets, inputs, mInputs.size(), outputs, mInPlace);
    effect.processDoubleReplacing(&effect, mInputs.data(), mTargets.data(), count);
    if (mInPlace) {
      for (std::size_t c = 0; c < std::min(mInputs.size(), mTargets.size()); ++c)
        std::copy_n(mTargets[c], frames, outputs[c]);
    }
    return;
  }
  for (std::size_t c = 0; c < mInputs.size(); ++c) {
    std::transform(inputs[c], inputs[c] + frames, mInSingle.Channel(c).begin(),
                   [](double sample) { return static_cast<float>(sample); });
  }
  float* const* written = mSingleTargets.data();
  if (mPlugin.HasFlag(effFlagsCanReplacing) && effect.processReplacing != nullptr) {
    effect.processReplacing(&effect, mInSingle.Pointers(), mSingleTargets.data(), count);
  } else {
    // The old call adds to what is there, so never in place.
    mOutSingle.Clear();
    effect.process(&effect, mInSingle.Pointers(), mOutSingle.Pointers(), count);
    written = mOutSingle.Pointers();
  }
  for (std::size_t c = 0; c < mSingleTargets.size(); ++c) {
    std::transform(written[c], written[c] + frames, outputs[c],
                   [](float sample) { return static_cast<double>(sample); });
  }
}
