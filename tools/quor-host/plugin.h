// One VST 2.4 plug-in instance, reached only through its binary interface:
// the shared object is opened, its entry point called, the effect record
// checked and opened; destruction closes the effect, then the library.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "quor-host/host_callback.h"
#include "vst2/vst2_abi.h"

class Plugin {
 public:
  // A path, or a bare name found in the plug-in folders. Throws HostError
  // with one line naming what is wrong with the file.
  Plugin(const std::string& name, HostContext& context);
  ~Plugin();
  Plugin(const Plugin&) = delete;
  Plugin& operator=(const Plugin&) = delete;

  const std::string& Path() const { return mPath; }
  AEffect& Effect() const { return *mEffect; }
  HostContext& Context() const { return mContext; }
  bool HasFlag(VstInt32 flag) const { return (mEffect->flags & flag) != 0; }
  int NumParams() const { return mEffect->numParams; }
  int NumPrograms() const { return mEffect->numPrograms; }
  int NumInputs() const { return mEffect->numInputs; }
  int NumOutputs() const { return mEffect->numOutputs; }

  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.0f) const;
  // A text request answered into a generous, always terminated buffer.
  std::string Text(VstInt32 opcode, VstInt32 index = 0) const;

  std::string ParamName(int index) const { return Text(effGetParamName, index); }
  std::string ParamDisplay(int index) const { return Text(effGetParamDisplay, index); }
  std::string ParamLabel(int index) const { return Text(effGetParamLabel, index); }
  float GetParameter(int index) const;
  void SetParameter(int index, float value) const;

  // The plug-in's state as it hands it out (a copy: its buffer is short-lived).
  std::vector<std::uint8_t> GetChunk(bool isPreset) const;
  bool SetChunk(std::span<const std::uint8_t> bytes, bool isPreset) const;

 private:
  struct LibraryCloser {
    void operator()(void* handle) const;
  };
  std::string mPath;
  std::unique_ptr<void, LibraryCloser> mLibrary;  // released last
  HostContext& mContext;
  AEffect* mEffect = nullptr;
};
