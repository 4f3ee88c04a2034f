// The VST 2.4 host that tests, benchmarks and fuzzers drive plug-ins through.
// It loads a plug-in from a shared object (as hosts do) or from an entry
// point linked into the test, answers what plug-ins ask, records what they
// tell it, and checks every call a plug-in makes into it:
//   - a gesture, a value, a new size, a display update is told on the thread
//     the host lends the plug-in for them (its UI thread: the one calling
//     effEditIdle, or any thread outside the audio callbacks);
//   - events to the host's next plug-ins come from inside an audio callback;
//   - nothing is told while the plug-in holds its mutex (seen only of a
//     plug-in linked into the test: a loaded one keeps its own count).
// A broken rule is kept as a violation for the test to look at, or stops the
// process where the host was made strict (the fuzzers).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "framework/thread_role.h"
#include "vst2/vst2_abi.h"

// What the VST2 test host answers, and how it behaves, where a test wants it other.
struct Vst2HostBehaviour {
  std::string mProduct = "QUOR Test Host";
  VstInt32 mVendorVersion = 70100;
  // The transport audioMasterGetTime answers with, when set.
  bool mAnswerTime = false;
  VstTimeInfo mTime{};
  VstInt32 mProcessLevel = 0;
  // Abort at the first broken rule instead of keeping it.
  bool mStrict = false;
  // Keep every call; a benchmark keeps none, to stay out of the measurement.
  bool mRecord = true;
  // Any opcode the host answers otherwise; return true when it did.
  std::function<bool(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                     float opt, VstIntPtr* answer)>
      mAnswer;
};

class Vst2TestHost {
 public:
  struct Call {
    VstInt32 mOpcode = 0;
    VstInt32 mIndex = 0;
    VstIntPtr mValue = 0;
    float mOpt = 0.f;
    std::thread::id mThread;
    ThreadRole mRole = ThreadRole::kHost;
    int mLocksHeld = 0;
  };
  using Behaviour = Vst2HostBehaviour;

  // Whatever makes a plug-in's record for a host callback: an entry point.
  using Entry = std::function<AEffect*(audioMasterCallback)>;

  // A plug-in from a shared object's entry point (by name), or from an entry
  // point linked in. Loaded() is false when there was none or it gave none.
  Vst2TestHost(const std::string& path, Behaviour behaviour = {},
               const char* entry = "VSTPluginMain");
  explicit Vst2TestHost(const Entry& entry, Behaviour behaviour = {});
  // Closes the plug-in if the test has not, and its library.
  virtual ~Vst2TestHost();
  Vst2TestHost(const Vst2TestHost&) = delete;
  Vst2TestHost& operator=(const Vst2TestHost&) = delete;

  bool Loaded() const { return mEffect != nullptr; }
  AEffect* Effect() const { return mEffect; }
  AEffect* operator->() const { return mEffect; }
  Behaviour& Answers() { return mBehaviour; }

  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.f) const;
  std::string Text(VstInt32 opcode, VstInt32 index = 0) const;
  void Set(VstInt32 index, float value) const { mEffect->setParameter(mEffect, index, value); }
  float Get(VstInt32 index) const { return mEffect->getParameter(mEffect, index); }
  // A parameter set from the text a user would type; false when refused.
  bool SetText(VstInt32 index, const char* text) const;
  // The index of the parameter named so, or -1.
  int FindParam(const std::string& name) const;

  // What a host does before audio: open, rate, block size, switched on.
  void Start(double sampleRate, int blockSize) const;
  // Switched off and closed; the record is gone afterwards.
  void Close();
  // The host's UI thread lending itself to the editor: effEditIdle, from
  // the thread calling it, which becomes the one news are expected on.
  void EditIdle();
  // The audio callbacks, marked as the audio thread.
  void Process(float** inputs, float** outputs, int frames) const;
  void Process(double** inputs, double** outputs, int frames) const;
  void ProcessAccumulating(float** inputs, float** outputs, int frames) const;
  // The program chunk as the plug-in hands it out, and a restore from bytes.
  std::vector<std::uint8_t> Chunk(bool bank = false) const;
  bool SetChunk(const std::vector<std::uint8_t>& chunk, bool bank = false) const;

  // Every call the plug-in made, or those of one opcode.
  std::vector<Call> Calls() const;
  std::vector<Call> Calls(VstInt32 opcode) const;
  void ClearCalls();
  std::vector<std::string> Violations() const;

 private:
  static VstIntPtr Callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                            void* ptr, float opt);
  VstIntPtr Answer(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                   float opt);
  void Check(const Call& call);
  void Violation(std::string what);
  void Adopt(const Entry& entry);

  Behaviour mBehaviour;
  void* mLibrary = nullptr;
  AEffect* mEffect = nullptr;
  // The thread that called effEditIdle last: news are expected there.
  std::atomic<std::thread::id> mUiThread{};
  mutable std::mutex mMutex;
  std::vector<Call> mCalls;
  std::vector<std::string> mViolations;
};
