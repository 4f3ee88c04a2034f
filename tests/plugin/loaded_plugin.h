// Loads the built plug-in the way a host does, through dlopen and the
// exported entry point, and records what the plug-in asks of its host.
#pragma once

#include <dlfcn.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "tests/plugin/host_channels.h"
#include "tests/plugin/test_host.h"

class LoadedPlugin {
 public:
  explicit LoadedPlugin(const char* entry = "VSTPluginMain") {
    mLibrary = dlopen(QUOR_SO_PATH, RTLD_NOW | RTLD_LOCAL);
    if (!mLibrary) throw std::runtime_error(dlerror());
    auto main = reinterpret_cast<VstPluginMainProc>(dlsym(mLibrary, entry));
    if (!main) throw std::runtime_error("no entry point");
    mEffect = main(TestHostCallback);
    if (!mEffect) throw std::runtime_error("no effect");
  }
  ~LoadedPlugin() {
    if (mEffect) Dispatch(effClose);
    dlclose(mLibrary);
  }
  LoadedPlugin(const LoadedPlugin&) = delete;
  LoadedPlugin& operator=(const LoadedPlugin&) = delete;

  AEffect* operator->() const { return mEffect; }
  AEffect* Effect() const { return mEffect; }

  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.f) const {
    return mEffect->dispatcher(mEffect, opcode, index, value, ptr, opt);
  }
  std::string Text(VstInt32 opcode, VstInt32 index = 0) const {
    char text[256] = {};
    Dispatch(opcode, index, 0, text);
    return text;
  }
  void Set(VstInt32 index, float value) const { mEffect->setParameter(mEffect, index, value); }
  float Get(VstInt32 index) const { return mEffect->getParameter(mEffect, index); }
  // Sets a parameter from the text a user would type.
  void SetText(VstInt32 index, const char* text) const {
    Dispatch(effString2Parameter, index, 0, const_cast<char*>(text));
  }

 private:
  void* mLibrary = nullptr;
  AEffect* mEffect = nullptr;
};
