#include "bench/plugin/hosted_plugin.h"

#include <dlfcn.h>

#include <stdexcept>

namespace {

double gSampleRate = 48000.;
int gBlockSize = 512;

// The few questions plug-ins ask while they load and run.
VstIntPtr HostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  switch (opcode) {
    case audioMasterVersion:
      return 2400;
    case audioMasterGetSampleRate:
      return static_cast<VstIntPtr>(gSampleRate);
    case audioMasterGetBlockSize:
      return gBlockSize;
    default:
      return 0;
  }
}

}  // namespace

HostedPlugin::HostedPlugin(const std::string& path, double sampleRate, int blockSize) {
  gSampleRate = sampleRate;
  gBlockSize = blockSize;
  mLibrary = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!mLibrary) throw std::runtime_error(dlerror());
  auto entry = reinterpret_cast<VstPluginMainProc>(dlsym(mLibrary, "VSTPluginMain"));
  if (entry) mEffect = entry(HostCallback);
  if (!mEffect || mEffect->magic != kEffectMagic) {
    dlclose(mLibrary);
    throw std::runtime_error(path + ": no effect from its entry point");
  }
  Dispatch(effOpen);
  Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
  Dispatch(effSetBlockSize, 0, blockSize);
  Dispatch(effMainsChanged, 0, 1);
  Dispatch(effStartProcess);
}

HostedPlugin::~HostedPlugin() {
  Dispatch(effStopProcess);
  Dispatch(effMainsChanged, 0, 0);
  Dispatch(effClose);
  dlclose(mLibrary);
}

VstIntPtr HostedPlugin::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                 float opt) const {
  return mEffect->dispatcher(mEffect, opcode, index, value, ptr, opt);
}

std::string HostedPlugin::Text(VstInt32 opcode, VstInt32 index) const {
  char text[256] = {};
  Dispatch(opcode, index, 0, text);
  text[sizeof text - 1] = '\0';
  return text;
}

int HostedPlugin::FindParam(const std::string& name) const {
  for (int i = 0; i < mEffect->numParams; ++i)
    if (Text(effGetParamName, i) == name) return i;
  return -1;
}

bool HostedPlugin::SetDisplayed(const std::string& name, const std::string& display) const {
  const int index = FindParam(name);
  if (index < 0) return false;
  for (int step = 0; step <= 1000; ++step) {
    mEffect->setParameter(mEffect, index, static_cast<float>(step) / 1000.f);
    if (Text(effGetParamDisplay, index).starts_with(display)) return true;
  }
  return false;
}
