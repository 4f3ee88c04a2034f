#include "bench/plugin/hosted_plugin.h"

#include <stdexcept>

namespace {

Vst2HostBehaviour Quiet() {
  Vst2HostBehaviour quiet;
  quiet.mRecord = false;
  return quiet;
}

}  // namespace

HostedPlugin::HostedPlugin(const std::string& path, double sampleRate, int blockSize)
    : Vst2TestHost(path, Quiet()) {
  if (!Loaded()) throw std::runtime_error(path + ": no effect from its entry point");
  Start(sampleRate, blockSize);
}

HostedPlugin::~HostedPlugin() {
  Dispatch(effStopProcess);
  Close();
}

bool HostedPlugin::SetDisplayed(const std::string& name, const std::string& display) const {
  const int index = FindParam(name);
  if (index < 0) return false;
  for (int step = 0; step <= 1000; ++step) {
    Set(index, static_cast<float>(step) / 1000.f);
    if (Text(effGetParamDisplay, index).starts_with(display)) return true;
  }
  return false;
}
