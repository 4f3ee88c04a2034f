#include "quor-host/plugin.h"

#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "quor-host/host_error.h"
#include "quor-host/plugin_search.h"
#include "quor-host/text.h"

namespace {

// Limits far above any real plug-in; a record beyond them is corrupt, and
// sizing buffers from it would be unsafe.
constexpr VstInt32 kMaxChannels = 1024;
constexpr VstInt32 kMaxParams = 1 << 20;
constexpr VstInt32 kMaxPrograms = 1 << 20;
// Plug-ins may fill text buffers past the interface's short limits.
constexpr std::size_t kTextBufferSize = 1024;

// dlsym on a handle also searches the library's dependencies; an entry point
// only counts when it lies in the plug-in's own file.
bool DefinedIn(void* library, void* symbol) {
  link_map* libraryMap = nullptr;
  if (dlinfo(library, RTLD_DI_LINKMAP, &libraryMap) != 0) return false;
  Dl_info info{};
  void* extra = nullptr;
  if (dladdr1(symbol, &info, &extra, RTLD_DL_LINKMAP) == 0) return false;
  return static_cast<link_map*>(extra) == libraryMap;
}

VstPluginMainProc FindEntryPoint(void* library) {
  for (const char* name : {"VSTPluginMain", "main"}) {
    void* symbol = dlsym(library, name);
    if (symbol != nullptr && DefinedIn(library, symbol)) {
      return reinterpret_cast<VstPluginMainProc>(symbol);
    }
  }
  return nullptr;
}

void CheckRecord(const std::string& path, const AEffect& effect) {
  if (effect.magic != kEffectMagic) {
    throw HostError(path + ": not a VST 2.4 plug-in (the effect record has the wrong magic)");
  }
  if (effect.dispatcher == nullptr) {
    throw HostError(path + ": the effect record has no dispatcher");
  }
  if (effect.numInputs < 0 || effect.numInputs > kMaxChannels || effect.numOutputs < 0 ||
      effect.numOutputs > kMaxChannels || effect.numParams < 0 || effect.numParams > kMaxParams ||
      effect.numPrograms < 0 || effect.numPrograms > kMaxPrograms) {
    throw HostError(path + ": the effect record holds implausible counts");
  }
}

}  // namespace

void Plugin::LibraryCloser::operator()(void* handle) const {
  dlclose(handle);
}

Plugin::Plugin(const std::string& name, HostContext& context)
    : mPath(ResolvePlugin(name)), mContext(context) {
  const std::string& path = mPath;
  mLibrary.reset(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL));
  if (!mLibrary) {
    const char* reason = dlerror();
    throw HostError(path + ": cannot load as a plug-in (" + (reason ? reason : "unknown error") +
                    ")");
  }
  const VstPluginMainProc entry = FindEntryPoint(mLibrary.get());
  if (entry == nullptr) {
    throw HostError(path + ": not a VST 2.4 plug-in (no VSTPluginMain or main entry point)");
  }
  AEffect* effect = nullptr;
  {
    const ConstructionScope scope(context);
    effect = entry(&HostCallback);
  }
  if (effect == nullptr) throw HostError(path + ": the plug-in's entry point returned no effect");
  CheckRecord(path, *effect);
  mEffect = effect;
  mEffect->user = &mContext;
  Dispatch(effOpen);
}

Plugin::~Plugin() {
  if (mEffect != nullptr) Dispatch(effClose);
}

VstIntPtr Plugin::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                           float opt) const {
  return mEffect->dispatcher(mEffect, opcode, index, value, ptr, opt);
}

std::string Plugin::Text(VstInt32 opcode, VstInt32 index) const {
  std::array<char, kTextBufferSize> buffer{};
  Dispatch(opcode, index, 0, buffer.data());
  buffer.back() = '\0';
  return std::string(buffer.data());
}

float Plugin::GetParameter(int index) const {
  if (mEffect->getParameter == nullptr) return 0.0f;
  return mEffect->getParameter(mEffect, index);
}

void Plugin::SetParameter(int index, float value) const {
  if (mEffect->setParameter != nullptr) mEffect->setParameter(mEffect, index, value);
}

std::vector<std::uint8_t> Plugin::GetChunk(bool isPreset) const {
  void* data = nullptr;
  const VstIntPtr size = Dispatch(effGetChunk, isPreset ? 1 : 0, 0, &data);
  if (size <= 0 || data == nullptr) return {};
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  return std::vector<std::uint8_t>(bytes, bytes + size);
}

bool Plugin::SetChunk(std::span<const std::uint8_t> bytes, bool isPreset) const {
  // The interface passes a mutable pointer; hand over a copy we own.
  std::vector<std::uint8_t> copy(std::max<std::size_t>(bytes.size(), 1), 0);
  std::copy(bytes.begin(), bytes.end(), copy.begin());
  return Dispatch(effSetChunk, isPreset ? 1 : 0, static_cast<VstIntPtr>(bytes.size()),
                  copy.data()) != 0;
}
