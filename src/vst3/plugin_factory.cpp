#include "vst3/plugin_factory.h"

#include <cstring>

#include "vst3/string16.h"

namespace vst3 {

const FactoryClass* PluginFactory::ClassAt(int32 index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= mDescription.mClasses.size()) return nullptr;
  return &mDescription.mClasses[static_cast<std::size_t>(index)];
}

tresult PluginFactory::getFactoryInfo(PFactoryInfo* info) {
  if (!info) return kInvalidArgument;
  *info = {};
  CopyToCharField(mDescription.mVendor, info->vendor);
  CopyToCharField(mDescription.mUrl, info->url);
  CopyToCharField(mDescription.mEmail, info->email);
  info->flags = PFactoryInfo::kUnicode;
  return kResultOk;
}

int32 PluginFactory::countClasses() {
  return static_cast<int32>(mDescription.mClasses.size());
}

namespace {

// What the three class records share; the name and the texts after it
// differ in width.
template <typename Info>
void FillClassInfo(const FactoryClass& entry, Info* info) {
  *info = {};
  std::memcpy(info->cid, entry.mCid.Data(), sizeof info->cid);
  info->cardinality = kManyInstances;
  CopyToCharField(entry.mCategory, info->category);
  if constexpr (requires { info->classFlags; }) {
    info->classFlags = entry.mClassFlags;
    CopyToCharField(entry.mSubCategories, info->subCategories);
  }
}

}  // namespace

tresult PluginFactory::getClassInfo(int32 index, PClassInfo* info) {
  const FactoryClass* entry = ClassAt(index);
  if (!entry || !info) return kInvalidArgument;
  FillClassInfo(*entry, info);
  CopyToCharField(entry->mName, info->name);
  return kResultOk;
}

tresult PluginFactory::getClassInfo2(int32 index, PClassInfo2* info) {
  const FactoryClass* entry = ClassAt(index);
  if (!entry || !info) return kInvalidArgument;
  FillClassInfo(*entry, info);
  CopyToCharField(entry->mName, info->name);
  CopyToCharField(mDescription.mVendor, info->vendor);
  CopyToCharField(mDescription.mVersion, info->version);
  CopyToCharField(kInterfaceVersion, info->sdkVersion);
  return kResultOk;
}

tresult PluginFactory::getClassInfoUnicode(int32 index, PClassInfoW* info) {
  const FactoryClass* entry = ClassAt(index);
  if (!entry || !info) return kInvalidArgument;
  FillClassInfo(*entry, info);
  CopyUtf8ToString16(entry->mName, info->name);
  CopyUtf8ToString16(mDescription.mVendor, info->vendor);
  CopyUtf8ToString16(mDescription.mVersion, info->version);
  CopyUtf8ToString16(kInterfaceVersion, info->sdkVersion);
  return kResultOk;
}

tresult PluginFactory::createInstance(const char* classId, const char* interfaceId, void** obj) {
  if (!obj) return kInvalidArgument;
  *obj = nullptr;
  for (const FactoryClass& entry : mDescription.mClasses) {
    if (!SameIid(classId, entry.mCid)) continue;
    FUnknown* made = entry.mCreate ? entry.mCreate() : nullptr;
    if (!made) return kOutOfMemory;
    // The caller's reference comes from the query; the making one goes.
    const tresult result = made->queryInterface(interfaceId, obj);
    made->release();
    return result;
  }
  return kInvalidArgument;
}

tresult PluginFactory::setHostContext(FUnknown*) {
  // The editor reaches the host's run loop through its frame.
  return kNotImplemented;
}

}  // namespace vst3
