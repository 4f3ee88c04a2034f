#include "vst3/module_entry.h"

#include <cstring>
#include <string>

#include "vst3/module_users.h"
#include "vst3/plugin_factory.h"
#include "vst3/vst3_plugin.h"

namespace {

ModuleUsers& Users() {
  static ModuleUsers users;
  return users;
}

std::string VersionText(int packed) {
  return std::to_string(packed >> 16 & 0xFF) + "." + std::to_string(packed >> 8 & 0xFF) + "." +
         std::to_string(packed & 0xFF);
}

vst3::FactoryDescription Describe(const PlugDescriptor& descriptor) {
  const PlugIdentity& identity = descriptor.mIdentity;
  vst3::FactoryDescription description;
  description.mVendor = identity.mVendor;
  description.mVersion = VersionText(identity.mVersion);
  vst3::FactoryClass component;
  std::memcpy(component.mCid.mBytes.data(), identity.mVst3ComponentId.data(),
              component.mCid.mBytes.size());
  component.mCategory = vst3::kAudioModuleClass;
  component.mName = identity.mName;
  component.mSubCategories = "Fx|Tools";
  // Component and controller are one object: not distributable.
  component.mClassFlags = 0;
  component.mCreate = [&descriptor] { return Vst3Plugin::Create(descriptor); };
  description.mClasses.push_back(std::move(component));
  return description;
}

}  // namespace

vst3::IPluginFactory* Vst3Factory(const PlugDescriptor& descriptor) {
  static const vst3::FactoryDescription description = Describe(descriptor);
  return new vst3::PluginFactory(description);
}

bool Vst3ModuleEntry(void* sharedLibraryHandle) {
  // Nothing to set up: the plug-in's shared data (images, fonts) loads with
  // its first instance.
  return Users().Enter(sharedLibraryHandle, [](void*) { return true; });
}

bool Vst3ModuleExit() {
  return Users().Exit([] {});
}
