// One reference to a VST3 object, released when it goes: for what a caller
// received with a reference (Adopt) and for a borrowed object it keeps (Share).
#pragma once

#include <utility>

#include "vst3/vst3_base.h"

namespace vst3 {

template <typename T>
class RefPtr {
 public:
  RefPtr() = default;
  // Takes over the reference `object` came with.
  static RefPtr Adopt(T* object) { return RefPtr(object); }
  // Adds a reference of its own.
  static RefPtr Share(T* object) {
    if (object) object->addRef();
    return RefPtr(object);
  }
  // `from`'s interface I, with a reference of its own; empty when it has none.
  template <typename From>
  static RefPtr Query(From* from) {
    void* found = nullptr;
    if (!from || from->queryInterface(T::kIid.Data(), &found) != kResultOk) return {};
    return RefPtr(static_cast<T*>(found));
  }

  RefPtr(const RefPtr& other) : mObject(other.mObject) {
    if (mObject) mObject->addRef();
  }
  RefPtr(RefPtr&& other) noexcept : mObject(std::exchange(other.mObject, nullptr)) {}
  RefPtr& operator=(RefPtr other) noexcept {
    std::swap(mObject, other.mObject);
    return *this;
  }
  ~RefPtr() { Reset(); }

  void Reset() {
    if (T* object = std::exchange(mObject, nullptr)) object->release();
  }
  // Hands the reference to the caller, as an out-pointer carries it.
  T* Detach() { return std::exchange(mObject, nullptr); }

  T* Get() const { return mObject; }
  T* operator->() const { return mObject; }
  T& operator*() const { return *mObject; }
  explicit operator bool() const { return mObject != nullptr; }

 private:
  explicit RefPtr(T* object) : mObject(object) {}
  T* mObject = nullptr;
};

}  // namespace vst3
