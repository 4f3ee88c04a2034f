// The VST 2.4 adapter: it owns one plug-in and the effect record the host
// holds, turns the host's calls through that record into the framework's
// requests, and answers the plug-in's questions to its host with host
// callbacks. Everything else a format needs lives in the framework.
#pragma once

#include <atomic>
#include <cstdint>
#include <limits>
#include <memory>

#include "framework/ieffect_base.h"
#include "framework/plug_instance.h"
#include "vst2/chunk_handout.h"
#include "vst2/event_outbox.h"
#include "vst2/vst2_abi.h"

class IEffectVST2 final : public PlugInstance, public IPlugHost {
 public:
  IEffectVST2(std::unique_ptr<IEffectBase> plug, audioMasterCallback hostCallback);  // host
  ~IEffectVST2() override;                                                           // host

  AEffect* GetAEffect() { return mAEffect.get(); }
  audioMasterCallback GetHostCallback() const { return mHostCallback; }
  // The plug-in behind a record, or null once the record is closed.
  static IEffectBase* PluginOf(AEffect* effect);  // any

  // What the plug-in tells its host, as host callbacks: on the host's thread
  // in effEditIdle, or on the editor's while the host calls no idle.
  void BeginEdit(int paramIdx) override;
  void Automate(int paramIdx, double normalizedValue) override;
  void EndEdit(int paramIdx) override;
  void ProgramChanged() override;
  void EditorResized(int width, int height) override;
  void LatencyChanged(int samples) override;
  void TextsChanged() override {}
  void EditorTick() override;
  // What it asks.
  bool IsRenderingOffline() override;
  bool GetTransport(std::uint32_t wanted, HostTransport* transport) override;
  HostProduct Identify() override;
  bool SendMidi(const IMidiMsg& msg) override;
  bool SendSysEx(const ISysEx& msg) override;

  // The effect record's entries, called by the host.
  static VstIntPtr VSTDispatcher(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                 void* ptr, float opt);  // any
  static void VSTProcess(AEffect* effect, float** inputs, float** outputs,
                         VstInt32 nFrames);  // audio
  static void VSTProcessReplacing(AEffect* effect, float** inputs, float** outputs,
                                  VstInt32 nFrames);  // audio
  static void VSTProcessDoubleReplacing(AEffect* effect, double** inputs, double** outputs,
                                        VstInt32 nFrames);                    // audio
  static float VSTGetParameter(AEffect* effect, VstInt32 index);              // any
  static void VSTSetParameter(AEffect* effect, VstInt32 index, float value);  // any

 private:
  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
  // The editor's window: open, close and the keys the host forwards.
  VstIntPtr DispatchWindow(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr);
  VstIntPtr DispatchUnlocked(VstInt32 opcode, VstInt32 index, void* ptr);
  VstIntPtr CallHost(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.f);
  // The events the plug-in sent during an audio callback, once it has let
  // go of its mutex.
  void SendOutbox();
  VstIntPtr GetProgramChunk(void** data);
  VstIntPtr GetBankChunk(void** data);
  VstIntPtr SetChunk(bool isPreset, VstIntPtr size, const void* data);
  VstIntPtr ProcessEvents(const VstEvents* events);
  VstIntPtr String2Parameter(int paramIdx, const char* text);
  VstIntPtr GetPinProperties(bool input, int index, VstPinProperties* properties);
  void ConnectFromArrangement(bool input, const VstSpeakerArrangement* arrangement);
  void UpdateEditRect();
  // The host lends its thread to the editor's news.
  void EditIdle();

  static IEffectVST2* AdapterOf(AEffect* effect);
  // One request of the host, through the instance's guard; a close that
  // became due during it deletes the adapter when it returns.
  template <typename Request>
  static VstIntPtr Enter(IEffectVST2* adapter, Request request);
  static VstIntPtr Close(AEffect* effect);
  // Every audio callback (and effProcessEvents, which hosts make on the audio
  // thread): find the adapter, enter it as the audio thread, then send what
  // the plug-in sent meanwhile.
  template <typename Process>
  static VstIntPtr RunAudioCallback(AEffect* effect, Process process);

  ERect mEditRect{};
  audioMasterCallback mHostCallback;
  VstSpeakerArrangement mInputSpkrArr{};
  VstSpeakerArrangement mOutputSpkrArr{};
  ChunkHandout mProgramChunks;
  ChunkHandout mBankChunks;
  EventOutbox mOutbox;  // the audio thread's
  // When the host last called effEditIdle, in steady-clock ticks.
  std::atomic<std::int64_t> mLastEditIdle{std::numeric_limits<std::int64_t>::min()};
  // The record the host holds; it outlives the adapter (vst2/effect_record.h).
  std::unique_ptr<AEffect> mAEffect = std::make_unique<AEffect>();
};

template <typename Request>
inline VstIntPtr IEffectVST2::Enter(IEffectVST2* adapter, Request request) {
  VstIntPtr result = 0;
  if (adapter->PlugInstance::Enter([&] { result = request(*adapter); })) delete adapter;
  return result;
}

template <typename Process>
inline VstIntPtr IEffectVST2::RunAudioCallback(AEffect* effect, Process process) {
  IEffectVST2* adapter = AdapterOf(effect);
  if (!adapter) return 0;
  const ThreadRoleScope audio(ThreadRole::kAudio);
  if (adapter->Plug().DoesMIDI()) adapter->CallHost(audioMasterWantMidi);
  VstIntPtr result = 0;
  if (adapter->PlugInstance::Enter([&] { result = process(*adapter); })) {
    delete adapter;  // closed from inside the call
    return result;
  }
  adapter->SendOutbox();
  return result;
}
