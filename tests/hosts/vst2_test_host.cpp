#include "tests/hosts/vst2_test_host.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The host a plug-in calls before its entry point has returned its record.
thread_local Vst2TestHost* tLoading = nullptr;

// What the plug-in tells its host, as against what it asks.
bool IsNews(VstInt32 opcode) {
  switch (opcode) {
    case audioMasterAutomate:
    case audioMasterBeginEdit:
    case audioMasterEndEdit:
    case audioMasterSizeWindow:
    case audioMasterUpdateDisplay:
    case audioMasterIOChanged:
      return true;
    default:
      return false;
  }
}

std::string Describe(const Vst2TestHost::Call& call, const char* what) {
  char text[160];
  std::snprintf(text, sizeof text, "opcode %d (index %d) %s", call.mOpcode, call.mIndex, what);
  return text;
}

}  // namespace

Vst2TestHost::Vst2TestHost(const std::string& path, Behaviour behaviour, const char* entry)
    : mBehaviour(std::move(behaviour)) {
  mLibrary = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!mLibrary) return;
  if (auto main = reinterpret_cast<VstPluginMainProc>(dlsym(mLibrary, entry))) Adopt(main);
}

Vst2TestHost::Vst2TestHost(const Entry& entry, Behaviour behaviour)
    : mBehaviour(std::move(behaviour)) {
  Adopt(entry);
}

void Vst2TestHost::Adopt(const Entry& entry) {
  if (!entry) return;
  tLoading = this;
  AEffect* effect = entry(Callback);
  tLoading = nullptr;
  if (!effect || effect->magic != kEffectMagic) return;
  effect->user = this;
  mEffect = effect;
}

Vst2TestHost::~Vst2TestHost() {
  Close();
  if (mLibrary) dlclose(mLibrary);
}

void Vst2TestHost::Close() {
  if (!mEffect) return;
  Dispatch(effMainsChanged, 0, 0);
  Dispatch(effClose);
  mEffect = nullptr;
}

VstIntPtr Vst2TestHost::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                 float opt) const {
  return mEffect->dispatcher(mEffect, opcode, index, value, ptr, opt);
}

std::string Vst2TestHost::Text(VstInt32 opcode, VstInt32 index) const {
  char text[256] = {};
  Dispatch(opcode, index, 0, text);
  text[sizeof text - 1] = '\0';
  return text;
}

bool Vst2TestHost::SetText(VstInt32 index, const char* text) const {
  return Dispatch(effString2Parameter, index, 0, const_cast<char*>(text)) == 1;
}

int Vst2TestHost::FindParam(const std::string& name) const {
  for (int i = 0; i < mEffect->numParams; ++i)
    if (Text(effGetParamName, i) == name) return i;
  return -1;
}

void Vst2TestHost::Start(double sampleRate, int blockSize) const {
  Dispatch(effOpen);
  Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
  Dispatch(effSetBlockSize, 0, blockSize);
  Dispatch(effMainsChanged, 0, 1);
  Dispatch(effStartProcess);
}

void Vst2TestHost::EditIdle() {
  mUiThread.store(std::this_thread::get_id());
  Dispatch(effEditIdle);
}

void Vst2TestHost::Process(float** inputs, float** outputs, int frames) const {
  const ThreadRoleScope audio(ThreadRole::kAudio);
  mEffect->processReplacing(mEffect, inputs, outputs, frames);
}

void Vst2TestHost::Process(double** inputs, double** outputs, int frames) const {
  const ThreadRoleScope audio(ThreadRole::kAudio);
  mEffect->processDoubleReplacing(mEffect, inputs, outputs, frames);
}

void Vst2TestHost::ProcessAccumulating(float** inputs, float** outputs, int frames) const {
  const ThreadRoleScope audio(ThreadRole::kAudio);
  mEffect->process(mEffect, inputs, outputs, frames);
}

std::vector<std::uint8_t> Vst2TestHost::Chunk(bool bank) const {
  void* data = nullptr;
  const VstIntPtr size = Dispatch(effGetChunk, bank ? 0 : 1, 0, &data);
  if (size <= 0 || !data) return {};
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  return {bytes, bytes + size};
}

bool Vst2TestHost::SetChunk(const std::vector<std::uint8_t>& chunk, bool bank) const {
  return Dispatch(effSetChunk, bank ? 0 : 1, static_cast<VstIntPtr>(chunk.size()),
                  const_cast<std::uint8_t*>(chunk.data())) == 1;
}

std::vector<Vst2TestHost::Call> Vst2TestHost::Calls() const {
  std::lock_guard lock(mMutex);
  return mCalls;
}

std::vector<Vst2TestHost::Call> Vst2TestHost::Calls(VstInt32 opcode) const {
  std::vector<Call> calls;
  for (const Call& call : Calls())
    if (call.mOpcode == opcode) calls.push_back(call);
  return calls;
}

void Vst2TestHost::ClearCalls() {
  std::lock_guard lock(mMutex);
  mCalls.clear();
}

std::vector<std::string> Vst2TestHost::Violations() const {
  std::lock_guard lock(mMutex);
  return mViolations;
}

void Vst2TestHost::Violation(std::string what) {
  if (mBehaviour.mStrict) {
    std::fprintf(stderr, "test host: %s\n", what.c_str());
    std::abort();
  }
  std::lock_guard lock(mMutex);
  mViolations.push_back(std::move(what));
}

void Vst2TestHost::Check(const Call& call) {
  if (IsNews(call.mOpcode)) {
    if (call.mLocksHeld > 0) Violation(Describe(call, "told with the plug-in's mutex held"));
    if (call.mRole == ThreadRole::kAudio) Violation(Describe(call, "told on the audio thread"));
    const std::thread::id ui = mUiThread.load();
    if (ui != std::thread::id() && call.mThread != ui)
      Violation(Describe(call, "told off the thread that calls effEditIdle"));
  }
  if (call.mOpcode == audioMasterProcessEvents) {
    if (call.mRole != ThreadRole::kAudio) Violation(Describe(call, "sent outside audio"));
    if (call.mLocksHeld > 0) Violation(Describe(call, "sent with the plug-in's mutex held"));
  }
}

VstIntPtr Vst2TestHost::Callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                 void* ptr, float opt) {
  Vst2TestHost* host = effect && effect->user ? static_cast<Vst2TestHost*>(effect->user) : tLoading;
  if (!host) return opcode == audioMasterVersion ? 2400 : 0;
  const Call call{opcode,
                  index,
                  value,
                  opt,
                  std::this_thread::get_id(),
                  CurrentThreadRole(),
                  PlugMutexesHeldByThisThread()};
  if (host->mBehaviour.mRecord) {
    std::lock_guard lock(host->mMutex);
    host->mCalls.push_back(call);
  }
  host->Check(call);
  return host->Answer(effect, opcode, index, value, ptr, opt);
}

VstIntPtr Vst2TestHost::Answer(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                               void* ptr, float opt) {
  VstIntPtr answer = 0;
  if (mBehaviour.mAnswer && mBehaviour.mAnswer(effect, opcode, index, value, ptr, opt, &answer))
    return answer;
  switch (opcode) {
    case audioMasterVersion:
      return 2400;
    case audioMasterGetProductString:
      if (ptr) std::snprintf(static_cast<char*>(ptr), 64, "%s", mBehaviour.mProduct.c_str());
      return 1;
    case audioMasterGetVendorVersion:
      return mBehaviour.mVendorVersion;
    case audioMasterGetTime:
      return mBehaviour.mAnswerTime ? reinterpret_cast<VstIntPtr>(&mBehaviour.mTime) : 0;
    case audioMasterGetCurrentProcessLevel:
      return mBehaviour.mProcessLevel;
    default:
      return 0;
  }
}
