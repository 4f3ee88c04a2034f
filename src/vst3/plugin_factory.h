// The module's factory: what it says about its maker and its classes, and
// the instances it makes. Each GetPluginFactory call may hand out a factory
// of its own; they share nothing but the description.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "vst3/ref_counted.h"
#include "vst3/vst3_factory.h"

namespace vst3 {

struct FactoryClass {
  Iid mCid;
  std::string mCategory;  // kAudioModuleClass, ...
  std::string mName;
  std::string mSubCategories;  // "Fx|Tools"
  uint32 mClassFlags = 0;
  // A new instance with one reference, or null.
  std::function<FUnknown*()> mCreate;
};

struct FactoryDescription {
  std::string mVendor;
  std::string mUrl;
  std::string mEmail;
  std::string mVersion;  // "1.1.0"
  std::vector<FactoryClass> mClasses;
};

// The interface version the classes say they were built for.
constexpr const char* kInterfaceVersion = "VST 3.7.14";

class PluginFactory final : public RefCounted<IPluginFactory3> {
 public:
  // `description` outlives every factory (a static of the module).
  explicit PluginFactory(const FactoryDescription& description) : mDescription(description) {}

  tresult getFactoryInfo(PFactoryInfo* info) override;           // host
  int32 countClasses() override;                                 // host
  tresult getClassInfo(int32 index, PClassInfo* info) override;  // host
  tresult createInstance(const char* classId, const char* interfaceId,
                         void** obj) override;                           // host
  tresult getClassInfo2(int32 index, PClassInfo2* info) override;        // host
  tresult getClassInfoUnicode(int32 index, PClassInfoW* info) override;  // host
  tresult setHostContext(FUnknown* context) override;                    // host

 private:
  const FactoryClass* ClassAt(int32 index) const;

  const FactoryDescription& mDescription;
};

}  // namespace vst3
