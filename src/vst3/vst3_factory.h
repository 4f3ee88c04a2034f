// The VST3 binary interface: the module's factory and what it tells
// about its classes, the host's context object and the three functions a
// module exports.
#pragma once

#include <cstddef>

#include "vst3/vst3_base.h"

namespace vst3 {

// What the factory says about its maker. Strings zero-terminated, UTF-8.
struct PFactoryInfo {
  enum Flags : int32 {
    kClassesDiscardable = 1,       // classes may change between loads: no cache
    kLicenseCheck = 2,             // obsolete
    kComponentNonDiscardable = 8,  // never unload the module
    kUnicode = 16,                 // the standard value
  };
  char vendor[64];
  char url[256];
  char email[128];
  int32 flags;
};
static_assert(sizeof(PFactoryInfo) == 452 && alignof(PFactoryInfo) == 4);
static_assert(offsetof(PFactoryInfo, url) == 64 && offsetof(PFactoryInfo, email) == 320 &&
              offsetof(PFactoryInfo, flags) == 448);

constexpr int32 kManyInstances = 0x7FFFFFFF;  // cardinality
constexpr const char* kAudioModuleClass = "Audio Module Class";
constexpr const char* kComponentControllerClass = "Component Controller Class";

struct PClassInfo {
  char cid[16];
  int32 cardinality;  // kManyInstances
  char category[32];  // kAudioModuleClass, ...
  char name[64];
};
static_assert(sizeof(PClassInfo) == 116 && alignof(PClassInfo) == 4);
static_assert(offsetof(PClassInfo, cardinality) == 16 && offsetof(PClassInfo, category) == 20 &&
              offsetof(PClassInfo, name) == 52);

struct PClassInfo2 {
  enum ClassFlags : uint32 {
    kDistributable = 1,  // component and controller may run apart
    kSimpleModeSupported = 2,
  };
  char cid[16];
  int32 cardinality;
  char category[32];
  char name[64];
  uint32 classFlags;
  char subCategories[128];  // "|"-separated: "Fx|Tools"
  char vendor[64];
  char version[64];     // "1.2.3"
  char sdkVersion[64];  // the interface version
};
static_assert(sizeof(PClassInfo2) == 440 && alignof(PClassInfo2) == 4);
static_assert(offsetof(PClassInfo2, classFlags) == 116 &&
              offsetof(PClassInfo2, subCategories) == 120 && offsetof(PClassInfo2, vendor) == 248 &&
              offsetof(PClassInfo2, version) == 312 && offsetof(PClassInfo2, sdkVersion) == 376);

// PClassInfo2 with UTF-16 name, vendor and versions.
struct PClassInfoW {
  char cid[16];
  int32 cardinality;
  char category[32];
  char16 name[64];
  uint32 classFlags;
  char subCategories[128];
  char16 vendor[64];
  char16 version[64];
  char16 sdkVersion[64];
};
static_assert(sizeof(PClassInfoW) == 696 && alignof(PClassInfoW) == 4);
static_assert(offsetof(PClassInfoW, name) == 52 && offsetof(PClassInfoW, classFlags) == 180 &&
              offsetof(PClassInfoW, subCategories) == 184 && offsetof(PClassInfoW, vendor) == 312 &&
              offsetof(PClassInfoW, version) == 440 && offsetof(PClassInfoW, sdkVersion) == 568);

class IPluginFactory : public FUnknown {
 public:
  static constexpr Iid kIid = MakeIid(0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F);
  using Base = FUnknown;

  virtual tresult getFactoryInfo(PFactoryInfo* info) = 0;           // host
  virtual int32 countClasses() = 0;                                 // host
  virtual tresult getClassInfo(int32 index, PClassInfo* info) = 0;  // host
  // Both ids point to 16 raw bytes. `*obj` gets the instance's `interfaceId`
  // with the caller's reference; null and an error for an unknown class.
  virtual tresult createInstance(const char* classId, const char* interfaceId,
                                 void** obj) = 0;  // host

 protected:
  ~IPluginFactory() = default;
};

class IPluginFactory2 : public IPluginFactory {
 public:
  static constexpr Iid kIid = MakeIid(0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB);
  using Base = IPluginFactory;

  virtual tresult getClassInfo2(int32 index, PClassInfo2* info) = 0;  // host

 protected:
  ~IPluginFactory2() = default;
};

class IPluginFactory3 : public IPluginFactory2 {
 public:
  static constexpr Iid kIid = MakeIid(0x4555A2AB, 0xC1234E57, 0x9B122910, 0x36878931);
  using Base = IPluginFactory2;

  virtual tresult getClassInfoUnicode(int32 index, PClassInfoW* info) = 0;  // host
  // A host context for the module as a whole (a run loop without an editor).
  virtual tresult setHostContext(FUnknown* context) = 0;  // host

 protected:
  ~IPluginFactory3() = default;
};

// The host's context object, given to initialize.
class IHostApplication : public FUnknown {
 public:
  static constexpr Iid kIid = MakeIid(0x58E595CC, 0xDB2D4969, 0x8B6AAF8C, 0x36A664E5);
  using Base = FUnknown;

  virtual tresult getName(char16* name /* String128 */) = 0;  // host
  // Host objects a plug-in may ask for (IMessage, IAttributeList).
  virtual tresult createInstance(const char* classId, const char* interfaceId,
                                 void** obj) = 0;  // host

 protected:
  ~IHostApplication() = default;
};

// Optional, from the host's context: which interfaces the host implements.
class IPlugInterfaceSupport : public FUnknown {
 public:
  static constexpr Iid kIid = MakeIid(0x4FB58B9E, 0x9EAA4E0F, 0xAB361C1C, 0xCCB56FEA);
  using Base = FUnknown;

  virtual tresult isPlugInterfaceSupported(const char* iid) = 0;  // host

 protected:
  ~IPlugInterfaceSupport() = default;
};

// The module's three exported functions (C linkage). ModuleEntry gets
// dlopen's handle right after loading; both it and ModuleExit may be called
// more than once and pair up. GetPluginFactory's factory carries a
// reference the host releases.
extern "C" {
using GetFactoryProc = IPluginFactory* (*)();
using ModuleEntryProc = bool (*)(void* sharedLibraryHandle);
using ModuleExitProc = bool (*)();
}

}  // namespace vst3
