#include "framework/plug_instance.h"

std::unique_ptr<IEffectBase> PlugInstance::MakePlug(
    const std::function<std::unique_ptr<IEffectBase>()>& make) {
  static std::recursive_mutex makeMutex;
  std::lock_guard lock(makeMutex);
  try {
    std::unique_ptr<IEffectBase> plug = make ? make() : nullptr;
    if (plug) plug->EnsureDefaultPreset();
    return plug;
  } catch (...) {
    return nullptr;
  }
}

void PlugInstance::Connect(IPlugHost* host, EAPI api) {
  IEffectBase& plug = Plug();
  plug.SetInputChannelConnections(0, plug.NInChannels(), true);
  plug.SetOutputChannelConnections(0, plug.NOutChannels(), true);
  plug.SetBlockSize(kDefaultBlockSize);
  plug.ConnectHost(host, api);
}

void PlugInstance::Open() {
  Plug().HostSpecificInit();
  Plug().OnParamReset();
}

void PlugInstance::SetSampleRate(double sampleRate) {
  Plug().SetSampleRate(sampleRate);
  Plug().Reset();
}

void PlugInstance::SetMaxBlockSize(int frames) {
  Plug().SetBlockSize(frames);
  Plug().Reset();
}

void PlugInstance::SetActive(bool active) {
  Plug().OnActivate(active);
  if (!active) Plug().Reset();
}
