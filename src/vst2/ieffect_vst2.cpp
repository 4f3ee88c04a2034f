#include "vst2/ieffect_vst2.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

#include "vst2/effect_record.h"

namespace {

VstInt32 ArrangementTypeFor(int nChannels) {
  return nChannels <= 2 ? nChannels - 1 : kSpeakerArrUserDefined;
}

}  // namespace

IEffectVST2::IEffectVST2(IInstanceInfo instanceInfo, int nParams, const char* channelIOStr,
                         int nPresets, const char* effectName, const char* productName,
                         const char* mfrName, int vendorVersion, int uniqueID, int mfrID,
                         int latency, bool plugDoesMidi, bool plugDoesChunks, bool plugIsInst,
                         int /*plugScChans*/)
    : IEffectBase(nParams, channelIOStr, nPresets, effectName, productName, mfrName, vendorVersion,
                  uniqueID, mfrID, latency, plugDoesMidi, plugDoesChunks, plugIsInst, kAPIVST2),
      mHostCallback(instanceInfo.mVSTHostCallback) {
  mAEffect->magic = kEffectMagic;
  mAEffect->dispatcher = VSTDispatcher;
  mAEffect->process = VSTProcess;
  mAEffect->setParameter = VSTSetParameter;
  mAEffect->getParameter = VSTGetParameter;
  mAEffect->numPrograms = nPresets;
  mAEffect->numParams = nParams;
  mAEffect->numInputs = NInChannels();
  mAEffect->numOutputs = NOutChannels();
  mAEffect->flags = effFlagsCanReplacing | effFlagsCanDoubleReplacing;
  if (plugDoesChunks) mAEffect->flags |= effFlagsProgramChunks;
  if (LegalIO(1, -1)) mAEffect->flags |= effFlagsCanMono;
  if (plugIsInst) mAEffect->flags |= effFlagsIsSynth;
  mAEffect->initialDelay = latency;
  mAEffect->ioRatio = 1.f;
  mAEffect->object = this;
  mAEffect->uniqueID = uniqueID;
  mAEffect->version = GetEffectVersion(true);
  mAEffect->processReplacing = VSTProcessReplacing;
  mAEffect->processDoubleReplacing = VSTProcessDoubleReplacing;

  mInputSpkrArr.numChannels = NInChannels();
  mInputSpkrArr.type = ArrangementTypeFor(NInChannels());
  mOutputSpkrArr.numChannels = NOutChannels();
  mOutputSpkrArr.type = ArrangementTypeFor(NOutChannels());

  mFloatPieces.Resize(NInChannels(), NOutChannels());
  mDoublePieces.Resize(NInChannels(), NOutChannels());

  SetInputChannelConnections(0, NInChannels(), true);
  SetOutputChannelConnections(0, NOutChannels(), true);
  SetBlockSize(1024);
}

IEffectVST2::~IEffectVST2() {
  mState.Clear();
  mBankState.Clear();
  RetireEffectRecord(std::move(mAEffect));
}

IEffectVST2* IEffectVST2::PlugOf(AEffect* effect) {
  // Cleared by a close, possibly on another thread.
  return effect ? static_cast<IEffectVST2*>(
                      std::atomic_ref(effect->object).load(std::memory_order_acquire))
                : nullptr;
}

VstIntPtr IEffectVST2::Close(AEffect* effect) {
  IEffectVST2* plug = PlugOf(effect);
  if (!plug) return 0;  // closed before: the record outlived its plug-in
  bool closeNow = false;
  {
    std::lock_guard lock(plug->mMutex);
    // From here every entry finds no plug-in.
    std::atomic_ref(effect->object).store(nullptr, std::memory_order_release);
    plug->mCloseRequested = true;
    closeNow = plug->mEntryDepth == 0;
  }
  // Otherwise the host closed from inside a callback made during one of its
  // requests: the plug-in goes when that request returns.
  if (closeNow) Destroy(plug);
  return 0;
}

void IEffectVST2::Destroy(IEffectVST2* plug) {
  // An editor the host left open stops first, outside the mutex its thread
  // may be waiting for: it would otherwise call into a plug-in half destroyed.
  if (plug->mGraphics) plug->mGraphics->CloseWindow();
  delete plug;
}

VstIntPtr IEffectVST2::CallHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                float opt) {
  return mHostCallback ? mHostCallback(mAEffect.get(), opcode, index, value, ptr, opt) : 0;
}

void IEffectVST2::BeginInformHostOfParamChange(int paramIdx) {
  CallHost(audioMasterBeginEdit, paramIdx);
}

void IEffectVST2::InformHostOfParamChange(int paramIdx, double normalizedValue) {
  CallHost(audioMasterAutomate, paramIdx, 0, nullptr, static_cast<float>(normalizedValue));
}

void IEffectVST2::EndInformHostOfParamChange(int paramIdx) {
  CallHost(audioMasterEndEdit, paramIdx);
}

void IEffectVST2::InformHostOfProgramChange() {
  CallHost(audioMasterUpdateDisplay);
}

bool IEffectVST2::IsRenderingOffline() {
  return CallHost(audioMasterGetCurrentProcessLevel) == kVstProcessLevelOffline;
}

const VstTimeInfo* IEffectVST2::QueryTime(VstInt32 requestedFlags) {
  return reinterpret_cast<const VstTimeInfo*>(CallHost(audioMasterGetTime, 0, requestedFlags));
}

int IEffectVST2::GetSamplePos() {
  const VstTimeInfo* time = QueryTime(0);
  if (!time || std::isnan(time->samplePos) || time->samplePos < 0.) return 0;
  const double rounded = time->samplePos + 0.5;
  return rounded >= 2147483647. ? 2147483647 : static_cast<int>(rounded);
}

double IEffectVST2::GetTempo() {
  if (!mHostCallback) return 0.;
  const VstTimeInfo* time = QueryTime(kVstTempoValid);
  return time && (time->flags & kVstTempoValid) && time->tempo >= 0. ? time->tempo : 0.;
}

void IEffectVST2::GetTimeSig(int* numerator, int* denominator) {
  *numerator = *denominator = 0;
  const VstTimeInfo* time = QueryTime(kVstTimeSigValid);
  if (time && (time->flags & kVstTimeSigValid) && time->timeSigNumerator >= 0 &&
      time->timeSigDenominator >= 0) {
    *numerator = time->timeSigNumerator;
    *denominator = time->timeSigDenominator;
  }
}

void IEffectVST2::GetTime(ITimeInfo* timeInfo) {
  constexpr VstInt32 kRequested =
      kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstCyclePosValid | kVstTimeSigValid;
  const VstTimeInfo* time = QueryTime(kRequested);
  if (!time || !(time->flags & kRequested)) return;
  timeInfo->mSamplePos = time->samplePos;
  if ((time->flags & kVstPpqPosValid) && time->ppqPos >= 0.) timeInfo->mPPQPos = time->ppqPos;
  if ((time->flags & kVstTempoValid) && time->tempo > 0.) timeInfo->mTempo = time->tempo;
  if ((time->flags & kVstBarsValid) && time->barStartPos >= 0.)
    timeInfo->mLastBar = time->barStartPos;
  if ((time->flags & kVstCyclePosValid) && time->cycleStartPos >= 0. && time->cycleEndPos >= 0.) {
    timeInfo->mCycleStart = time->cycleStartPos;
    timeInfo->mCycleEnd = time->cycleEndPos;
  }
  if ((time->flags & kVstTimeSigValid) && time->timeSigNumerator > 0 &&
      time->timeSigDenominator > 0) {
    timeInfo->mNumerator = time->timeSigNumerator;
    timeInfo->mDenominator = time->timeSigDenominator;
  }
  timeInfo->mTransportIsRunning = (time->flags & kVstTransportPlaying) != 0;
  timeInfo->mTransportLoopEnabled = (time->flags & kVstTransportCycleActive) != 0;
}

EHost IEffectVST2::GetHost() {
  if (mHost != kHostUninit) return mHost;
  char product[256] = {};
  CallHost(audioMasterGetProductString, 0, 0, product);
  product[sizeof product - 1] = '\0';  // a host that fills the whole buffer
  int packed = 0;
  if (product[0] != '\0') {
    const auto decimal = static_cast<int>(CallHost(audioMasterGetVendorVersion));
    packed = (decimal / 10000) * 65536 + ((decimal % 10000) / 100) * 256 + decimal % 100;
  }
  SetHost(product, packed);
  return mHost;
}

void IEffectVST2::UpdateEditRect() {
  mEditRect.top = mEditRect.left = 0;
  mEditRect.bottom = static_cast<VstInt16>(mGraphics->Height());
  mEditRect.right = static_cast<VstInt16>(mGraphics->Width());
}

void IEffectVST2::ResizeGraphics(int /*width*/, int /*height*/) {
  if (!mGraphics) return;
  UpdateEditRect();
  OnWindowResize();
}

void IEffectVST2::HostSpecificInit() {
  if (mHostSpecificInitDone) return;
  mHostSpecificInitDone = true;
  switch (GetHost()) {
    case kHostForte:
    case kHostAudition:
    case kHostOrion:
    case kHostSAWStudio:
      LimitToStereoIO();
      break;
    default:
      break;
  }
  mAEffect->numInputs = mInputSpkrArr.numChannels = NInChannels();
  mAEffect->numOutputs = mOutputSpkrArr.numChannels = NOutChannels();
  OnHostIdentified();
}

void IEffectVST2::AttachGraphics(std::unique_ptr<IEditorSurface> graphics) {
  if (!graphics) return;
  IEffectBase::AttachGraphics(std::move(graphics));
  mAEffect->flags |= effFlagsHasEditor;
  UpdateEditRect();
}

void IEffectVST2::SetLatency(int samples) {
  mAEffect->initialDelay = samples;
  IEffectBase::SetLatency(samples);
}

bool IEffectVST2::SendVSTEvent(VstEvent* event) {
  VstEvents events{};
  events.numEvents = 1;
  events.events[0] = event;
  return CallHost(audioMasterProcessEvents, 0, 0, &events) == 1;
}

bool IEffectVST2::SendMidiMsg(const IMidiMsg* msg) {
  if (!msg) return false;
  VstMidiEvent event{};
  event.type = kVstMidiType;
  event.byteSize = sizeof(VstMidiEvent);
  event.deltaFrames = msg->mOffset;
  event.midiData[0] = static_cast<char>(msg->mStatus);
  event.midiData[1] = static_cast<char>(msg->mData1);
  event.midiData[2] = static_cast<char>(msg->mData2);
  return SendVSTEvent(reinterpret_cast<VstEvent*>(&event));
}

bool IEffectVST2::SendSysEx(const ISysEx* msg) {
  if (!msg) return false;
  VstMidiSysexEvent event{};
  event.type = kVstSysExType;
  event.byteSize = sizeof(VstMidiSysexEvent);
  event.deltaFrames = msg->mOffset;
  event.dumpBytes = msg->mSize;
  event.sysexDump = reinterpret_cast<char*>(const_cast<std::uint8_t*>(msg->mData));
  return SendVSTEvent(reinterpret_cast<VstEvent*>(&event));
}

template <typename Sample, typename Process>
void IEffectVST2::ProcessInPieces(Sample** inputs, Sample** outputs, int nFrames, bool replacing,
                                  Pieces<Sample>& pieces, Process process) {
  // The host passes one pointer per connected channel, and no more.
  const int nIn = NConnectedInChannels();
  const int nOut = NConnectedOutChannels();
  const auto run = [&](int offset, int frames) {
    for (int i = 0; i < nIn; ++i)
      pieces.mIn[static_cast<std::size_t>(i)] = inputs && inputs[i] ? inputs[i] + offset : nullptr;
    for (int i = 0; i < nOut; ++i)
      pieces.mOut[static_cast<std::size_t>(i)] =
          outputs && outputs[i] ? outputs[i] + offset : nullptr;
    AttachInputBuffers(0, NInChannels(), pieces.mIn.data(), frames);
    AttachOutputBuffers(0, NOutChannels(), pieces.mOut.data());
    process(frames);
  };
  if (nFrames <= 0) {
    run(0, nFrames);
    return;
  }
  const int blockSize = GetBlockSize();
  if (blockSize <= 0) {
    // No scratch space to work in: answer silence rather than stale data.
    for (int i = 0; replacing && outputs && i < nOut; ++i)
      if (outputs[i]) std::fill_n(outputs[i], nFrames, Sample{0});
    return;
  }
  // Disconnected channels and 32-bit conversion work in scratch buffers of
  // one announced block: longer calls run in pieces.
  for (int done = 0; done < nFrames;) {
    const int frames = std::min(blockSize, nFrames - done);
    run(done, frames);
    done += frames;
  }
}

void IEffectVST2::ProcessDouble(double** inputs, double** outputs, int nFrames) {
  ProcessInPieces(inputs, outputs, nFrames, true, mDoublePieces,
                  [this](int frames) { ProcessBuffers(0., frames); });
}

void IEffectVST2::ProcessFloat(float** inputs, float** outputs, int nFrames, bool accumulate) {
  ProcessInPieces(inputs, outputs, nFrames, !accumulate, mFloatPieces, [&](int frames) {
    if (accumulate)
      ProcessBuffersAccumulating(0.f, frames);
    else
      ProcessBuffers(0.f, frames);
  });
}

template <typename Process>
void IEffectVST2::RunAudioCallback(AEffect* effect, Process process) {
  IEffectVST2* plug = PlugOf(effect);
  if (!plug) return;
  Enter(plug, [&](IEffectVST2& entered) {
    if (entered.DoesMIDI()) entered.CallHost(audioMasterWantMidi);
    process(entered);
    return VstIntPtr{0};
  });
}

void IEffectVST2::VSTProcess(AEffect* effect, float** inputs, float** outputs, VstInt32 nFrames) {
  RunAudioCallback(effect,
                   [&](IEffectVST2& plug) { plug.ProcessFloat(inputs, outputs, nFrames, true); });
}

void IEffectVST2::VSTProcessReplacing(AEffect* effect, float** inputs, float** outputs,
                                      VstInt32 nFrames) {
  RunAudioCallback(effect,
                   [&](IEffectVST2& plug) { plug.ProcessFloat(inputs, outputs, nFrames, false); });
}

void IEffectVST2::VSTProcessDoubleReplacing(AEffect* effect, double** inputs, double** outputs,
                                            VstInt32 nFrames) {
  RunAudioCallback(effect,
                   [&](IEffectVST2& plug) { plug.ProcessDouble(inputs, outputs, nFrames); });
}

float IEffectVST2::VSTGetParameter(AEffect* effect, VstInt32 index) {
  IEffectVST2* plug = PlugOf(effect);
  // A value is read atomically: no need to wait for the audio thread.
  if (!plug || !plug->IsValidParamIdx(index)) return 0.f;
  return static_cast<float>(plug->GetParam(index)->GetNormalized());
}

void IEffectVST2::VSTSetParameter(AEffect* effect, VstInt32 index, float value) {
  IEffectVST2* plug = PlugOf(effect);
  if (!plug) return;
  Enter(plug, [&](IEffectVST2& entered) {
    if (!entered.IsValidParamIdx(index)) return VstIntPtr{0};
    const double normalized = IParam::ClampNormalized(static_cast<double>(value));
    if (entered.mGraphics) entered.mGraphics->SetParameterFromPlug(index, normalized, true);
    entered.GetParam(index)->SetNormalized(normalized);
    entered.OnParamChange(index);
    return VstIntPtr{0};
  });
}
