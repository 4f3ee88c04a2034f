// The host-independent base of a plug-in: identity, parameters, presets,
// channel configuration and buffer binding, block processing, state
// serialisation and the one mutex that serialises every entry point.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "framework/byte_chunk.h"
#include "framework/edit_queue.h"
#include "framework/host_identity.h"
#include "framework/ieditor_surface.h"
#include "framework/iparam.h"
#include "framework/iplug_host.h"
#include "framework/ipreset.h"
#include "framework/midi.h"
#include "framework/plug_descriptor.h"
#include "framework/plug_mutex.h"
#include "framework/thread_role.h"

enum EAPI : std::int32_t {
  kAPIVST2 = 0,
  kAPIVST3 = 1,
  kAPIAU = 2,
  kAPIRTAS = 3,
  kAPIAAX = 4,
  kAPISA = 5,
  kAPILV2 = 6,
  kAPICLAP = 7,
};

// Transport snapshot; a query overwrites only what the host supplies.
struct ITimeInfo {
  double mTempo = 120.;
  double mSamplePos = -1.;
  double mPPQPos = -1.;
  double mLastBar = -1.;
  double mCycleStart = -1.;
  double mCycleEnd = -1.;
  int mNumerator = 4;
  int mDenominator = 4;
  bool mTransportIsRunning = false;
  bool mTransportLoopEnabled = false;
};

class IEffectBase {
 public:
  struct ChannelIO {
    int mIn = 0;
    int mOut = 0;
  };
  struct InChannel {
    bool mConnected = false;
    std::vector<double> mScratchBuf;
    std::string mLabel;
  };
  struct OutChannel {
    bool mConnected = false;
    float* mFDest = nullptr;  // the host's buffer while it works in 32-bit float
    std::vector<double> mScratchBuf;
    std::string mLabel;
  };

  static constexpr std::uint32_t kFrameworkMagic = 0x70666674;  // "tffp" in file order
  static constexpr int kFrameworkVersion = 0x00010000;
  // The largest block size taken from a host: more than a second of audio at
  // any common rate, and 8 MB of scratch for 16 channels each way. Longer
  // calls are processed in pieces.
  static constexpr int kMaxBlockSize = 65536;
  // The largest state a host may hand over; anything bigger is refused unread.
  static constexpr std::int64_t kMaxStateSize = std::int64_t{64} << 20;

  IEffectBase(int nParams, const char* channelIOStr, int nPresets, const char* effectName,
              const char* productName, const char* mfrName, int vendorVersion, int uniqueID,
              int mfrID, int latency, bool plugDoesMidi, bool plugDoesChunks, bool plugIsInst);
  // A plug-in as its descriptor says: identity, channels and every
  // parameter, initialised; one preset slot. The descriptor outlives it.
  explicit IEffectBase(const PlugDescriptor& descriptor);
  IEffectBase(const IEffectBase&) = delete;
  IEffectBase& operator=(const IEffectBase&) = delete;

  // Virtual hooks, in slot order, each tagged with its thread role
  // (framework/thread_role.h).
  virtual ~IEffectBase();  // host
  // CLAP resets between blocks on the audio thread, the others from a host
  // thread: a reset clears what the plug-in holds and never allocates.
  virtual void Reset();                      // any
  virtual void OnParamChange(int paramIdx);  // any
  virtual void ProcessDoubleReplacing(double** inputs, double** outputs,
                                      int nFrames);                     // audio
  virtual void OnGUIOpen() {}                                           // host
  virtual void OnGUIClose() {}                                          // host
  virtual void OnIdle() {}                                              // host
  virtual void OnActivate(bool active);                                 // host
  virtual void ProcessMidiMsg(IMidiMsg* msg);                           // any
  virtual void ProcessSysEx(ISysEx* /*msg*/) {}                         // any
  virtual bool MidiNoteName(int noteNumber, char* name, int nameSize);  // host
  // Reads the state under mStateMutex, with or without mMutex held.
  virtual bool SerializeState(ByteChunk* chunk) {  // host
    ExpectThread(ThreadRole::kHost);
    return SerializeParams(chunk);
  }
  // Reads a whole state and applies it, or fails (-1) having changed nothing.
  virtual int UnserializeState(const ByteChunk* chunk, int startPos) {  // host
    ExpectThread(ThreadRole::kHost);
    return UnserializeParams(chunk, startPos);
  }
  // Where the whole state starting at startPos ends, or -1; reads, applies nothing.
  virtual int StateEnd(const ByteChunk* chunk, int startPos) const;  // host
  virtual bool CompareState(const std::uint8_t* incomingState, int startPos,
                            int incomingSize) const;                                    // host
  virtual void OnWindowResize() {}                                                      // editor
  virtual bool HostRequestingAboutBox() { return false; }                               // host
  virtual void OnHostIdentified() {}                                                    // host
  virtual void PopupHostContextMenuForParam(int /*paramIdx*/, int /*x*/, int /*y*/) {}  // editor
  virtual void SetParameterFromGUI(int paramIdx, double normalizedValue);               // editor
  virtual void DirtyPTCompareState() {}                                                 // host
  virtual void PresetsChangedByHost() {}                                                // host

  // The values the plug-in puts out (0..1) and the texts its state keeps, as
  // its descriptor lists them.
  virtual double GetOutputValue(int /*idx*/) const { return 0.; }    // any
  virtual std::string GetText(int /*idx*/) { return {}; }            // host
  virtual void SetText(int /*idx*/, const std::string& /*text*/) {}  // host
  // What a host shows for an audio channel (and names a file after): the
  // label set for it unless the plug-in says more; empty for none.
  virtual std::string ChannelLabel(bool input, int idx) {  // host
    return input ? GetInputLabel(idx) : GetOutputLabel(idx);
  }

  // What the plug-in is, when it was made from a descriptor; else null.
  const PlugDescriptor* Descriptor() const { return mDescriptor; }

  // The host, through the adapter that owns the plug-in; null disconnects.
  void ConnectHost(IPlugHost* host, EAPI api);  // host
  EAPI GetAPI() const { return mAPI; }          // any

  // What the plug-in tells and asks its host; without one, nothing happens
  // and the answers are empty. What it tells waits in mEdits until the
  // adapter delivers it (DeliverEdits) where its host expects to hear it;
  // gestures and values come from one thread at a time, the editor's.
  void BeginInformHostOfParamChange(int paramIdx);                     // editor
  void InformHostOfParamChange(int paramIdx, double normalizedValue);  // editor
  void EndInformHostOfParamChange(int paramIdx);                       // editor
  // A value the editor sets in the parameter's own units, exactly (a value
  // saved is the value set again): applied at once, the host told as of
  // SetParameterFromGUI.
  void SetParameterValueFromGUI(int paramIdx, double value);  // editor
  void InformHostOfProgramChange();                           // any
  // Texts the state keeps (names) changed.
  void InformHostOfTextChange();                      // any
  bool IsRenderingOffline();                          // any
  int GetSamplePos();                                 // any
  double GetTempo();                                  // any
  void GetTimeSig(int* numerator, int* denominator);  // any
  void GetTime(ITimeInfo* timeInfo);                  // any
  EHost GetHost();                                    // any
  void ResizeGraphics(int width, int height);         // editor
  void SetLatency(int samples);                       // host
  bool SendMidiMsg(const IMidiMsg* msg);              // audio
  bool SendSysEx(const ISysEx* msg);                  // audio
  // Tells the connected adapter all that waits, on the calling thread, which
  // must not hold mMutex. Only one thread at a time drains; another returns
  // at once.
  void DeliverEdits();                                       // any
  bool HasPendingEdits() const { return mEdits.Pending(); }  // any
  // The open editor's thread between two frames, holding no lock.
  void OnEditorTick();  // editor

  // Serving a host: what every format adapter does the same way.
  // Identifies the host once and adapts to the few that need it.
  void HostSpecificInit();  // host
  // A normalised value from the host: the editor sees it before the change
  // handler runs. Out-of-range and non-numbers are clamped; bad indices ignored.
  void SetParameterFromHost(int paramIdx, double normalizedValue);  // any
  // The same in the parameter's own units, for formats whose controls carry
  // them; a switch or choice takes the nearest whole value.
  void SetParameterValueFromHost(int paramIdx, double value);  // any
  // A value typed in the host's own field, in the parameter's displayed unit
  // or as one of its display texts; false for a text it does not take.
  bool SetParameterFromText(int paramIdx, const char* text);  // host
  // The state a host saves: the framework's header, then the plug-in's state
  // (a program) or every preset (a bank). A bank is made under mMutex.
  bool SaveState(ByteChunk* chunk, bool bank);  // host
  // Restores what SaveState wrote; untrusted bytes. False, and nothing
  // changed, for what is not a whole state of ours.
  bool RestoreState(std::span<const std::uint8_t> bytes, bool program);  // host
  // A host's call of any length, in pieces of at most the block size, under
  // mMutex. One pointer per connected channel, any of them null.
  void ProcessBlock(double** inputs, double** outputs, int nFrames);                   // audio
  void ProcessBlock(float** inputs, float** outputs, int nFrames, bool accumulating);  // audio
  // The editor inside the host's window, if the plug-in has one: the
  // editor's own view (an X window id, say), or null.
  void* OpenEditor(void* parent);                                 // host
  void CloseEditor();                                             // host
  void AttachGraphics(std::unique_ptr<IEditorSurface> graphics);  // host
  void RedrawParamControls();                                     // host
  void SetBlockSize(int blockSize);                               // host

  // Identity.
  const char* GetEffectName() const { return mEffectName.c_str(); }
  const char* GetProductName() const { return mProductName.c_str(); }
  const char* GetMfrName() const { return mMfrName.c_str(); }
  int GetUniqueID() const { return mUniqueID; }
  int GetMfrID() const { return mMfrID; }
  int GetEffectVersion(bool decimal) const;
  std::string GetEffectVersionStr() const { return GetVersionStr(mVersion); }
  std::string GetAPIString() const;
  static const char* GetArchString() { return "x64"; }
  bool DoesStateChunks() const { return mStateChunks; }
  bool IsInst() const { return mIsInst; }
  bool DoesMIDI() const { return mDoesMIDI; }

  // Host identity.
  void SetHost(const char* productName, int packedVersion);
  int GetHostVersion(bool decimal);
  std::string GetHostVersionStr();
  double GetSamplesPerBeat();

  // Parameters.
  int NParams() const { return static_cast<int>(mParams.size()); }
  IParam* GetParam(int idx) { return mParams[static_cast<std::size_t>(idx)].get(); }
  const IParam* GetParam(int idx) const { return mParams[static_cast<std::size_t>(idx)].get(); }
  bool IsValidParamIdx(int idx) const { return idx >= 0 && idx < NParams(); }
  void OnParamReset();
  void DirtyParameters();

  // Channels.
  int NInChannels() const { return static_cast<int>(mInChannels.size()); }
  int NOutChannels() const { return static_cast<int>(mOutChannels.size()); }
  bool IsInChannelConnected(int chIdx) const;
  bool IsOutChannelConnected(int chIdx) const;
  void SetInputChannelConnections(int idx, int n, bool connected);
  void SetOutputChannelConnections(int idx, int n, bool connected);
  bool LegalIO(int nIn, int nOut) const;
  void LimitToStereoIO();
  void SetInputLabel(int idx, const char* label);
  void SetOutputLabel(int idx, const char* label);
  const std::string& GetInputLabel(int idx) const;
  const std::string& GetOutputLabel(int idx) const;
  int NChannelIO() const { return static_cast<int>(mChannelIO.size()); }
  ChannelIO GetChannelIO(int idx) const { return mChannelIO[static_cast<std::size_t>(idx)]; }

  // The fastest rate taken from a host, far beyond any converter's: filters
  // worked out from the rate lose their response long before its square
  // overflows (about 1.34e154 Hz); the console's drift from about 1 GHz.
  static constexpr double kMaxSampleRate = 1e8;
  // A finite rate above 0 and no faster than kMaxSampleRate.
  static bool IsUsableSampleRate(double sampleRate) {
    return sampleRate > 0. && sampleRate <= kMaxSampleRate;  // false for a NaN
  }
  // A rate that is not usable is refused: the old one stays.
  void SetSampleRate(double sampleRate);
  double GetSampleRate() const { return mSampleRate; }
  int GetBlockSize() const { return mBlockSize; }
  int GetLatency() const { return mLatency; }
  int GetTailSize() const { return mTailSize; }

  // Buffer binding and block processing, called by a host adapter under mMutex.
  // Each connected channel in the range takes the next host pointer; a null
  // one costs that channel only: its input reads silence, its output is
  // dropped. `buffers` may itself be null.
  int NConnectedInChannels() const;
  int NConnectedOutChannels() const;
  void AttachInputBuffers(int idx, int n, double** buffers, int nFrames);
  void AttachInputBuffers(int idx, int n, float** buffers, int nFrames);
  void AttachOutputBuffers(int idx, int n, double** buffers);
  void AttachOutputBuffers(int idx, int n, float** buffers);
  void ProcessBuffers(double, int nFrames);
  void ProcessBuffers(float, int nFrames);
  void ProcessBuffersAccumulating(float, int nFrames);
  void PassThroughBuffers(double, int nFrames);
  void PassThroughBuffers(float, int nFrames);

  // Chunks.
  static void InitChunkWithFrameworkVer(ByteChunk* chunk);
  static int GetFrameworkVerFromChunk(const ByteChunk* chunk, int* position);
  bool SerializeParams(ByteChunk* chunk);
  int UnserializeParams(const ByteChunk* chunk, int startPos);
  // The parameter block, one value per parameter, read without applying it;
  // returns the position after it, or -1 when it is not all there.
  int ReadParamValues(const ByteChunk* chunk, int startPos, std::span<double> values) const;
  // Sets every parameter from its value (clamped into its range), then tells the plug-in.
  void ApplyParamValues(std::span<const double> values);
  bool SerializePresets(ByteChunk* chunk);
  int UnserializePresets(const ByteChunk* chunk, int startPos);

  // Presets.
  int NPresets() const { return static_cast<int>(mPresets.size()); }
  int GetCurrentPresetIdx() const { return mCurrentPresetIdx; }
  const char* GetPresetName(int idx) const;
  void MakeDefaultPreset(const char* name = nullptr, int nPresets = 1);
  void EnsureDefaultPreset();
  // One value per parameter, in index order (ints are stored as doubles).
  void MakePreset(const char* name, std::span<const double> values);
  struct NamedParamValue {
    int mIdx;
    double mValue;
  };
  void MakePresetFromNamedParams(const char* name, std::span<const NamedParamValue> values);
  void MakePresetFromChunk(const char* name, const ByteChunk* chunk);
  void MakePresetFromBlob(const char* name, const char* base64, int sizeOfChunk);
  void PruneUninitializedPresets();
  bool RestorePreset(int idx);
  bool RestorePreset(const char* name);
  void ModifyCurrentPreset(const char* name = nullptr);
  std::string MakeDefaultUserPresetName() const;
  const ByteChunk* GetPresetChunk(int idx) const;

  // Program and bank files.
  bool SaveProgramAsFXP(const std::string& path);
  bool SaveBankAsFXB(const std::string& path);
  bool LoadProgramFromFXP(const std::string& path);
  bool LoadBankFromFXB(const std::string& path);
  // The same formats in memory; the loaders take untrusted bytes.
  bool MakeProgramFXP(std::vector<std::uint8_t>* file);
  bool MakeBankFXB(std::vector<std::uint8_t>* file);
  bool LoadProgramFXP(std::span<const std::uint8_t> file);
  bool LoadBankFXB(std::span<const std::uint8_t> file);

  // Developer dumps of presets as source text.
  bool DumpPresetSrcCode(const char* path, const char* const* paramEnumNames);
  bool DumpPresetBlob(const char* path);
  bool DumpBankBlob(const char* path);

  IEditorSurface* GetGUI() const { return mGraphics.get(); }

  PlugMutex mMutex;
  // Held while the state is saved or restored, so that a save sees a whole
  // restore or none of it. Taken alone or after mMutex, never before it; the
  // audio thread never takes it, so saving does not hold up the audio.
  PlugMutex mStateMutex;

 protected:
  std::vector<ChannelIO> mChannelIO;
  std::string mEffectName;
  std::string mProductName;
  std::string mMfrName;
  int mUniqueID;
  int mMfrID;
  int mVersion;
  EAPI mAPI = kAPIVST2;
  EHost mHost = kHostUninit;
  int mHostVersion = 0;
  bool mStateChunks;
  bool mIsInst;
  bool mDoesMIDI;
  int mCurrentPresetIdx = 0;
  double mSampleRate = 44100.;
  int mBlockSize = 0;
  int mLatency;
  int mTailSize = 0;
  std::unique_ptr<IEditorSurface> mGraphics;
  std::vector<std::unique_ptr<IParam>> mParams;
  std::vector<std::unique_ptr<IPreset>> mPresets;
  std::vector<double*> mInData;
  std::vector<double*> mOutData;
  std::vector<InChannel> mInChannels;
  std::vector<OutChannel> mOutChannels;

 private:
  // The host's channel pointers, moved forward while a long call runs in pieces.
  template <typename Sample>
  struct Pieces {
    std::vector<Sample*> mIn;
    std::vector<Sample*> mOut;
  };
  template <typename Sample, typename Process>
  void ProcessInPieces(Sample** inputs, Sample** outputs, int nFrames, bool replacing,
                       Pieces<Sample>& pieces, Process process);
  bool TransportFrom(std::uint32_t wanted, HostTransport* transport);
  IPreset* FirstUninitializedPreset();
  static void ResetToFactory(IPreset& preset, const FactoryPreset& factory);
  // The factory preset for a slot, or null.
  const FactoryPreset* FactoryPresetAt(std::size_t idx) const;
  static double* SilentInput(InChannel& channel, int nFrames);
  void ClearOutputScratch(int nFrames);
  void FillPresetFromValues(IPreset* preset, const char* name, std::span<const double> values);
  template <typename ConvertOut>
  void ConvertOutputs(int nFrames, ConvertOut convert);

  const PlugDescriptor* mDescriptor = nullptr;
  IPlugHost* mHostConnection = nullptr;
  EditQueue mEdits;
  bool mHostSpecificInitDone = false;
  Pieces<float> mFloatPieces;
  Pieces<double> mDoublePieces;
};
