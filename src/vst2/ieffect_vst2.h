// The adapter between the host-independent plug-in base and the VST 2.4
// binary interface: it owns the effect record the host holds, answers the
// host's requests and turns the framework's notifications into host calls.
#pragma once

#include <vector>

#include "framework/ieffect_base.h"
#include "vst2/vst2_abi.h"

struct IInstanceInfo {
  audioMasterCallback mVSTHostCallback = nullptr;
};

class IEffectVST2 : public IEffectBase {
 public:
  // The largest chunk a host may hand over; anything bigger is refused unread.
  static constexpr VstIntPtr kMaxChunkSize = VstIntPtr{64} << 20;

  IEffectVST2(IInstanceInfo instanceInfo, int nParams, const char* channelIOStr, int nPresets,
              const char* effectName, const char* productName, const char* mfrName,
              int vendorVersion, int uniqueID, int mfrID, int latency, bool plugDoesMidi,
              bool plugDoesChunks, bool plugIsInst, int plugScChans);
  ~IEffectVST2() override;

  // Overrides of the base's hooks; each may be called from the thread its
  // declaration in the base names.
  void BeginInformHostOfParamChange(int paramIdx) override;
  void InformHostOfParamChange(int paramIdx, double normalizedValue) override;
  void EndInformHostOfParamChange(int paramIdx) override;
  void InformHostOfProgramChange() override;
  bool IsRenderingOffline() override;
  int GetSamplePos() override;
  double GetTempo() override;
  void GetTimeSig(int* numerator, int* denominator) override;
  void GetTime(ITimeInfo* timeInfo) override;
  EHost GetHost() override;
  void ResizeGraphics(int width, int height) override;
  void HostSpecificInit() override;
  void AttachGraphics(std::unique_ptr<IEditorSurface> graphics) override;
  void SetLatency(int samples) override;
  bool SendMidiMsg(const IMidiMsg* msg) override;
  bool SendSysEx(const ISysEx* msg) override;

  bool SendVSTEvent(VstEvent* event);  // audio
  audioMasterCallback GetHostCallback() const { return mHostCallback; }
  AEffect* GetAEffect() { return mAEffect.get(); }

  // The effect record's entries, called by the host.
  static VstIntPtr VSTDispatcher(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                 void* ptr, float opt);  // host
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
  VstIntPtr CallHost(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.f);
  const VstTimeInfo* QueryTime(VstInt32 requestedFlags);
  VstIntPtr DispatchUnlocked(VstInt32 opcode, VstInt32 index, void* ptr);
  VstIntPtr GetProgramChunk(void** data);
  VstIntPtr GetBankChunk(void** data);
  VstIntPtr SetChunk(bool isPreset, VstIntPtr size, const void* data);
  VstIntPtr ProcessEvents(const VstEvents* events);
  VstIntPtr String2Parameter(int paramIdx, const char* text);
  VstIntPtr GetPinProperties(bool input, int index, VstPinProperties* properties) const;
  void ConnectFromArrangement(bool input, const VstSpeakerArrangement* arrangement);
  void UpdateEditRect();

  static IEffectVST2* PlugOf(AEffect* effect);
  // One request of the host, under mMutex. A close that arrives meanwhile
  // from inside a host callback on this thread waits until it has returned.
  template <typename Request>
  static VstIntPtr Enter(IEffectVST2* plug, Request request);
  static VstIntPtr Close(AEffect* effect);
  // Closes an editor the host left open, then deletes the plug-in.
  static void Destroy(IEffectVST2* plug);
  // Every audio callback: find the plug-in, enter it, ask for MIDI.
  template <typename Process>
  static void RunAudioCallback(AEffect* effect, Process process);
  // The host's channel pointers, moved forward while a long call runs in pieces.
  template <typename Sample>
  struct Pieces {
    void Resize(int nIn, int nOut) {
      mIn.resize(static_cast<std::size_t>(nIn));
      mOut.resize(static_cast<std::size_t>(nOut));
    }
    std::vector<Sample*> mIn;
    std::vector<Sample*> mOut;
  };
  template <typename Sample, typename Process>
  void ProcessInPieces(Sample** inputs, Sample** outputs, int nFrames, bool replacing,
                       Pieces<Sample>& pieces, Process process);
  void ProcessFloat(float** inputs, float** outputs, int nFrames, bool accumulate);
  void ProcessDouble(double** inputs, double** outputs, int nFrames);

  ERect mEditRect{};
  audioMasterCallback mHostCallback;
  VstSpeakerArrangement mInputSpkrArr{};
  VstSpeakerArrangement mOutputSpkrArr{};
  bool mHostSpecificInitDone = false;
  ByteChunk mState;      // the last program chunk handed out, under mStateMutex
  ByteChunk mBankState;  // the last bank chunk handed out, under mMutex
  // The record the host holds; it outlives the plug-in (vst2/effect_record.h).
  std::unique_ptr<AEffect> mAEffect = std::make_unique<AEffect>();
  // Requests of the host running on the thread that holds mMutex, and a close
  // that arrived from inside one of them, to be carried out when they return.
  int mEntryDepth = 0;
  bool mCloseRequested = false;
  Pieces<float> mFloatPieces;
  Pieces<double> mDoublePieces;
};

template <typename Request>
inline VstIntPtr IEffectVST2::Enter(IEffectVST2* plug, Request request) {
  VstIntPtr result = 0;
  bool closeNow = false;
  {
    std::lock_guard lock(plug->mMutex);
    ++plug->mEntryDepth;
    try {
      result = request(*plug);
    } catch (...) {
      // Nothing may unwind into the host.
      result = 0;
    }
    closeNow = --plug->mEntryDepth == 0 && plug->mCloseRequested;
  }
  if (closeNow) Destroy(plug);
  return result;
}
