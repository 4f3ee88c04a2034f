// The VST3 binary interface: messages between a processor and a
// controller that run apart, carried by the host (never sent from process).
#pragma once

#include "vst3/vst3_base.h"

namespace vst3 {

// Named values of a message; the host's object.
class IAttributeList : public FUnknown {
 public:
  static constexpr Iid kIid = MakeIid(0x1E5F0AEB, 0xCC7F4533, 0xA2544011, 0x38AD5EE4);
  using Base = FUnknown;

  virtual tresult setInt(FIDString key, int64 value) = 0;                            // host UI
  virtual tresult getInt(FIDString key, int64* value) = 0;                           // host UI
  virtual tresult setFloat(FIDString key, double value) = 0;                         // host UI
  virtual tresult getFloat(FIDString key, double* value) = 0;                        // host UI
  virtual tresult setString(FIDString key, const char16* string) = 0;                // host UI
  virtual tresult getString(FIDString key, char16* string, uint32 sizeInBytes) = 0;  // host UI
  virtual tresult setBinary(FIDString key, const void* data, uint32 size) = 0;       // host UI
  virtual tresult getBinary(FIDString key, const void** data, uint32* size) = 0;     // host UI

 protected:
  ~IAttributeList() = default;
};

// Made by IHostApplication::createInstance.
class IMessage : public FUnknown {
 public:
  static constexpr Iid kIid = MakeIid(0x936F033B, 0xC6C047DB, 0xBB0882F8, 0x13C1E613);
  using Base = FUnknown;

  virtual FIDString getMessageID() = 0;         // host UI
  virtual void setMessageID(FIDString id) = 0;  // host UI
  virtual IAttributeList* getAttributes() = 0;  // host UI; borrowed

 protected:
  ~IMessage() = default;
};

// Both sides; the host connects them, possibly through proxies of its own,
// so `other` is never one of the plug-in's own classes.
class IConnectionPoint : public FUnknown {
 public:
  static constexpr Iid kIid = MakeIid(0x70A4156F, 0x6E6E4026, 0x989148BF, 0xAA60D8D1);
  using Base = FUnknown;

  virtual tresult connect(IConnectionPoint* other) = 0;     // host UI
  virtual tresult disconnect(IConnectionPoint* other) = 0;  // host UI
  virtual tresult notify(IMessage* message) = 0;            // host UI

 protected:
  ~IConnectionPoint() = default;
};

}  // namespace vst3
