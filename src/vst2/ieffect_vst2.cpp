#include "vst2/ieffect_vst2.h"

#include <algorithm>
#include <atomic>
#include <chrono>

#include "vst2/effect_record.h"

namespace {

VstInt32 ArrangementTypeFor(int nChannels) {
  return nChannels <= 2 ? nChannels - 1 : kSpeakerArrUserDefined;
}

// The transport fields a plug-in asks for, as the host's validity flags.
constexpr struct {
  HostTransport::Field mField;
  VstInt32 mFlag;
} kTransportFlags[] = {
    {HostTransport::kTempo, kVstTempoValid},
    {HostTransport::kTimeSignature, kVstTimeSigValid},
    {HostTransport::kMusicalPosition, kVstPpqPosValid},
    {HostTransport::kBarStart, kVstBarsValid},
    {HostTransport::kCycle, kVstCyclePosValid},
};

}  // namespace

IEffectVST2::IEffectVST2(std::unique_ptr<IEffectBase> plug, audioMasterCallback hostCallback)
    : PlugInstance(std::move(plug)), mHostCallback(hostCallback) {
  IEffectBase& p = Plug();
  mAEffect->magic = kEffectMagic;
  mAEffect->dispatcher = VSTDispatcher;
  mAEffect->process = VSTProcess;
  mAEffect->setParameter = VSTSetParameter;
  mAEffect->getParameter = VSTGetParameter;
  // A plug-in without presets still gives the host one program.
  mAEffect->numPrograms = std::max(p.NPresets(), 1);
  mAEffect->numParams = p.NParams();
  mAEffect->numInputs = p.NInChannels();
  mAEffect->numOutputs = p.NOutChannels();
  mAEffect->flags = effFlagsCanReplacing | effFlagsCanDoubleReplacing;
  if (p.DoesStateChunks()) mAEffect->flags |= effFlagsProgramChunks;
  if (p.LegalIO(1, -1)) mAEffect->flags |= effFlagsCanMono;
  if (p.IsInst()) mAEffect->flags |= effFlagsIsSynth;
  if (p.GetGUI()) mAEffect->flags |= effFlagsHasEditor;
  mAEffect->initialDelay = p.GetLatency();
  mAEffect->ioRatio = 1.f;
  mAEffect->object = this;
  mAEffect->uniqueID = p.GetUniqueID();
  mAEffect->version = p.GetEffectVersion(true);
  mAEffect->processReplacing = VSTProcessReplacing;
  mAEffect->processDoubleReplacing = VSTProcessDoubleReplacing;

  mInputSpkrArr.numChannels = p.NInChannels();
  mInputSpkrArr.type = ArrangementTypeFor(p.NInChannels());
  mOutputSpkrArr.numChannels = p.NOutChannels();
  mOutputSpkrArr.type = ArrangementTypeFor(p.NOutChannels());
  if (p.GetGUI()) UpdateEditRect();

  Connect(this, kAPIVST2);
}

IEffectVST2::~IEffectVST2() {
  // The editor's thread may still call the host through the record.
  DestroyPlug();
  RetireEffectRecord(std::move(mAEffect));
}

IEffectVST2* IEffectVST2::AdapterOf(AEffect* effect) {
  // Cleared by a close, possibly on another thread.
  return effect ? static_cast<IEffectVST2*>(
                      std::atomic_ref(effect->object).load(std::memory_order_acquire))
                : nullptr;
}

IEffectBase* IEffectVST2::PluginOf(AEffect* effect) {
  IEffectVST2* adapter = AdapterOf(effect);
  return adapter ? &adapter->Plug() : nullptr;
}

VstIntPtr IEffectVST2::Close(AEffect* effect) {
  IEffectVST2* adapter = AdapterOf(effect);
  if (!adapter) return 0;  // closed before: the record outlived its adapter
  // From the retirement on, every entry finds no plug-in. Otherwise the host
  // closed from inside a callback made during one of its requests: the
  // adapter goes when that request returns.
  if (adapter->RequestClose(
          [effect] { std::atomic_ref(effect->object).store(nullptr, std::memory_order_release); }))
    delete adapter;
  return 0;
}

VstIntPtr IEffectVST2::CallHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                float opt) {
  return mHostCallback ? mHostCallback(mAEffect.get(), opcode, index, value, ptr, opt) : 0;
}

void IEffectVST2::BeginEdit(int paramIdx) {
  CallHost(audioMasterBeginEdit, paramIdx);
}

void IEffectVST2::Automate(int paramIdx, double normalizedValue) {
  CallHost(audioMasterAutomate, paramIdx, 0, nullptr, static_cast<float>(normalizedValue));
}

void IEffectVST2::EndEdit(int paramIdx) {
  CallHost(audioMasterEndEdit, paramIdx);
}

void IEffectVST2::ProgramChanged() {
  CallHost(audioMasterUpdateDisplay);
}

bool IEffectVST2::IsRenderingOffline() {
  return CallHost(audioMasterGetCurrentProcessLevel) == kVstProcessLevelOffline;
}

bool IEffectVST2::GetTransport(std::uint32_t wanted, HostTransport* transport) {
  VstInt32 requested = 0;
  for (const auto& [field, flag] : kTransportFlags)
    if (wanted & field) requested |= flag;
  const auto* time =
      reinterpret_cast<const VstTimeInfo*>(CallHost(audioMasterGetTime, 0, requested));
  if (!time) return false;
  transport->mValid = 0;
  for (const auto& [field, flag] : kTransportFlags)
    if (time->flags & flag) transport->mValid |= field;
  transport->mSamplePos = time->samplePos;
  transport->mTempo = time->tempo;
  transport->mPPQPos = time->ppqPos;
  transport->mBarStart = time->barStartPos;
  transport->mCycleStart = time->cycleStartPos;
  transport->mCycleEnd = time->cycleEndPos;
  transport->mNumerator = time->timeSigNumerator;
  transport->mDenominator = time->timeSigDenominator;
  transport->mPlaying = (time->flags & kVstTransportPlaying) != 0;
  transport->mLooping = (time->flags & kVstTransportCycleActive) != 0;
  return true;
}

HostProduct IEffectVST2::Identify() {
  char product[256] = {};
  CallHost(audioMasterGetProductString, 0, 0, product);
  product[sizeof product - 1] = '\0';  // a host that fills the whole buffer
  HostProduct host{product, 0};
  if (!host.mName.empty()) {
    const auto decimal = static_cast<int>(CallHost(audioMasterGetVendorVersion));
    host.mPackedVersion =
        (decimal / 10000) * 65536 + ((decimal % 10000) / 100) * 256 + decimal % 100;
  }
  return host;
}

void IEffectVST2::UpdateEditRect() {
  IEditorSurface* editor = Plug().GetGUI();
  int width = 0, height = 0;
  editor->WindowSize(&width, &height);
  mEditRect.top = mEditRect.left = 0;
  mEditRect.bottom = static_cast<VstInt16>(std::clamp(height, 0, 32767));
  mEditRect.right = static_cast<VstInt16>(std::clamp(width, 0, 32767));
}

void IEffectVST2::EditorResized(int width, int height) {
  CallHost(audioMasterSizeWindow, width, height);
}

void IEffectVST2::EditIdle() {
  mLastEditIdle.store(std::chrono::steady_clock::now().time_since_epoch().count(),
                      std::memory_order_relaxed);
  Plug().DeliverEdits();
}

void IEffectVST2::EditorTick() {
  // Hosts that call effEditIdle hear the editor's news on that thread; one
  // that has not called it for a while (some never do) hears them from the
  // editor's thread rather than not at all.
  constexpr auto kIdleGrace = std::chrono::milliseconds(250);
  const std::int64_t last = mLastEditIdle.load(std::memory_order_relaxed);
  const std::int64_t now = std::chrono::steady_clock::now().time_since_epoch().count();
  const auto grace = std::chrono::duration_cast<std::chrono::steady_clock::duration>(kIdleGrace);
  if (last > now - grace.count()) return;
  Plug().DeliverEdits();
}

void IEffectVST2::LatencyChanged(int samples) {
  mAEffect->initialDelay = samples;
}

bool IEffectVST2::SendMidi(const IMidiMsg& msg) {
  return mOutbox.Add(msg);
}

bool IEffectVST2::SendSysEx(const ISysEx& msg) {
  return mOutbox.Add(msg);
}

void IEffectVST2::SendOutbox() {
  // A call nested in another keeps them for the outermost.
  if (mOutbox.Empty() || PlugMutexesHeldByThisThread() > 0) return;
  CallHost(audioMasterProcessEvents, 0, 0, mOutbox.List());
  mOutbox.Clear();
}

void IEffectVST2::VSTProcess(AEffect* effect, float** inputs, float** outputs, VstInt32 nFrames) {
  RunAudioCallback(effect, [&](IEffectVST2& adapter) {
    adapter.Plug().ProcessBlock(inputs, outputs, nFrames, true);
    return VstIntPtr{0};
  });
}

void IEffectVST2::VSTProcessReplacing(AEffect* effect, float** inputs, float** outputs,
                                      VstInt32 nFrames) {
  RunAudioCallback(effect, [&](IEffectVST2& adapter) {
    adapter.Plug().ProcessBlock(inputs, outputs, nFrames, false);
    return VstIntPtr{0};
  });
}

void IEffectVST2::VSTProcessDoubleReplacing(AEffect* effect, double** inputs, double** outputs,
                                            VstInt32 nFrames) {
  RunAudioCallback(effect, [&](IEffectVST2& adapter) {
    adapter.Plug().ProcessBlock(inputs, outputs, nFrames);
    return VstIntPtr{0};
  });
}

float IEffectVST2::VSTGetParameter(AEffect* effect, VstInt32 index) {
  const IEffectBase* plug = PluginOf(effect);
  // A value is read atomically: no need to wait for the audio thread.
  if (!plug || !plug->IsValidParamIdx(index)) return 0.f;
  return static_cast<float>(plug->GetParam(index)->GetNormalized());
}

void IEffectVST2::VSTSetParameter(AEffect* effect, VstInt32 index, float value) {
  IEffectVST2* adapter = AdapterOf(effect);
  if (!adapter) return;
  Enter(adapter, [&](IEffectVST2& entered) {
    entered.Plug().SetParameterFromHost(index, static_cast<double>(value));
    return VstIntPtr{0};
  });
}
