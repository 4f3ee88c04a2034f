// Reference counting and interface queries, written once for every object
// that crosses the VST3 interface, on either side of it.
//
// An object implementing several interfaces has one count: the overrides
// below serve the slots of every base. queryInterface answers each listed
// interface and every interface it extends, and FUnknown as the first one.
#pragma once

#include <atomic>
#include <type_traits>

#include "vst3/vst3_base.h"

namespace vst3 {

// A count that starts at 1 (the creator's reference); any thread.
class RefCount {
 public:
  uint32 AddRef() { return mCount.fetch_add(1, std::memory_order_relaxed) + 1; }
  // The count left; at 0 the object must go.
  uint32 Release() { return mCount.fetch_sub(1, std::memory_order_acq_rel) - 1; }
  uint32 Count() const { return mCount.load(std::memory_order_relaxed); }

 private:
  std::atomic<uint32> mCount{1};
};

// `object` as the interface `iid` names when it is Interface or one of the
// interfaces Interface extends; otherwise null.
template <typename Interface, typename Object>
void* InterfaceOf(Object* object, const char* iid) {
  Interface* as = object;
  if (SameIid(iid, Interface::kIid)) return as;
  if constexpr (std::is_same_v<Interface, FUnknown>) {
    return nullptr;
  } else {
    return InterfaceOf<typename Interface::Base>(as, iid);
  }
}

// The first of Interfaces that answers `iid`, or null.
template <typename... Interfaces, typename Object>
void* FindInterface(Object* object, const char* iid) {
  void* found = nullptr;
  ((found = found ? found : InterfaceOf<Interfaces>(object, iid)), ...);
  return found;
}

// The base of an object implementing Interfaces: one count, created with
// one reference, destroyed by the last release.
template <typename... Interfaces>
class RefCounted : public Interfaces... {
 public:
  tresult queryInterface(const char* iid, void** obj) override {
    if (!obj) return kInvalidArgument;
    *obj = FindInterface<Interfaces...>(this, iid);
    if (!*obj) return kNoInterface;
    addRef();
    return kResultOk;
  }
  uint32 addRef() override { return mRefs.AddRef(); }
  uint32 release() override {
    const uint32 left = mRefs.Release();
    if (left == 0) delete this;
    return left;
  }

 protected:
  RefCounted() = default;
  virtual ~RefCounted() = default;
  RefCounted(const RefCounted&) = delete;
  RefCounted& operator=(const RefCounted&) = delete;

 private:
  RefCount mRefs;
};

}  // namespace vst3
