// The VST2 plug-in that QUOR.vst3 must match, loaded from its shared object
// and driven through its binary interface: values, texts, the program chunk
// and processing in either precision.
#pragma once

#include <dlfcn.h>

#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "vst2/vst2_abi.h"

class Vst2Reference {
 public:
  Vst2Reference() {
    mLibrary = dlopen(QUOR_SO_PATH, RTLD_NOW | RTLD_LOCAL);
    if (!mLibrary) throw std::runtime_error(dlerror());
    auto main = reinterpret_cast<VstPluginMainProc>(dlsym(mLibrary, "VSTPluginMain"));
    mEffect = main ? main(&Callback) : nullptr;
    if (!mEffect) throw std::runtime_error("no VST2 effect");
    Dispatch(effOpen);
  }
  ~Vst2Reference() {
    Dispatch(effClose);
    dlclose(mLibrary);
  }
  Vst2Reference(const Vst2Reference&) = delete;
  Vst2Reference& operator=(const Vst2Reference&) = delete;

  void Start(double rate, int block) {
    Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
    Dispatch(effSetBlockSize, 0, block);
    Dispatch(effMainsChanged, 0, 1);
  }
  void Set(int index, float value) { mEffect->setParameter(mEffect, index, value); }
  float Get(int index) { return mEffect->getParameter(mEffect, index); }
  void SetText(int index, const std::string& text) {
    Dispatch(effString2Parameter, index, 0, const_cast<char*>(text.c_str()));
  }
  std::string Name(int index) { return Text(effGetParamName, index); }
  std::string Label(int index) { return Text(effGetParamLabel, index); }
  std::string Display(int index) { return Text(effGetParamDisplay, index); }
  std::vector<std::uint8_t> ProgramChunk() {
    void* data = nullptr;
    const VstIntPtr size = Dispatch(effGetChunk, 1, 0, &data);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return size > 0 && bytes ? std::vector<std::uint8_t>(bytes, bytes + size)
                             : std::vector<std::uint8_t>{};
  }

  // One call of `frames` from the start of every channel's vector.
  template <typename Sample>
  void Process(const std::vector<std::vector<Sample>>& in, std::vector<std::vector<Sample>>& out,
               int frames) {
    std::vector<Sample*> inputs, outputs;
    for (const auto& channel : in)
      inputs.push_back(const_cast<Sample*>(channel.data()));
    for (auto& channel : out)
      outputs.push_back(channel.data());
    if constexpr (std::is_same_v<Sample, float>)
      mEffect->processReplacing(mEffect, inputs.data(), outputs.data(), frames);
    else
      mEffect->processDoubleReplacing(mEffect, inputs.data(), outputs.data(), frames);
  }

 private:
  static VstIntPtr Callback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
  }
  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.f) {
    return mEffect->dispatcher(mEffect, opcode, index, value, ptr, opt);
  }
  std::string Text(VstInt32 opcode, int index) {
    char text[256] = {};
    Dispatch(opcode, index, 0, text);
    return text;
  }

  void* mLibrary = nullptr;
  AEffect* mEffect = nullptr;
};
