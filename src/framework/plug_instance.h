// One plug-in instance as a format adapter holds it: the plug-in it owns, and
// the guard around every call the host makes into it. Each call runs under the
// plug-in's mutex and lets nothing unwind into the host. A host may close the
// instance from inside a callback the plug-in made while serving one of its
// calls: the close then waits until that call has returned.
#pragma once

#include <memory>
#include <mutex>
#include <utility>

#include "framework/ieffect_base.h"

class PlugInstance {
 public:
  explicit PlugInstance(std::unique_ptr<IEffectBase> plug) : mPlug(std::move(plug)) {}
  virtual ~PlugInstance() { DestroyPlug(); }
  PlugInstance(const PlugInstance&) = delete;
  PlugInstance& operator=(const PlugInstance&) = delete;

  IEffectBase& Plug() { return *mPlug; }
  const IEffectBase& Plug() const { return *mPlug; }

  // Runs `request` under the plug-in's mutex; an exception counts as a
  // request that did nothing. True when a close arrived meanwhile and is due
  // now: the caller then destroys the instance.
  template <typename Request>
  [[nodiscard]] bool Enter(Request&& request) {
    std::lock_guard lock(mPlug->mMutex);
    ++mEntryDepth;
    try {
      request();
    } catch (...) {
      // Nothing may unwind into the host.
    }
    return --mEntryDepth == 0 && mCloseRequested;
  }

  // The host closes the instance. `retire` runs under the mutex first, so that
  // from then on no new call finds the plug-in. True when the instance may be
  // destroyed now; otherwise the outermost running call's Enter says so.
  template <typename Retire>
  [[nodiscard]] bool RequestClose(Retire&& retire) {
    std::lock_guard lock(mPlug->mMutex);
    retire();
    mCloseRequested = true;
    return mEntryDepth == 0;
  }

 protected:
  // Stops an editor the host left open, outside the mutex its thread may be
  // waiting for, then deletes the plug-in; the adapter calls it before it
  // takes away anything the editor's thread may still call through.
  void DestroyPlug() {
    if (!mPlug) return;
    if (IEditorSurface* editor = mPlug->GetGUI()) editor->CloseWindow();
    mPlug.reset();
  }

 private:
  std::unique_ptr<IEffectBase> mPlug;
  // Calls running on the thread that holds the mutex, and a close that
  // arrived from inside one of them.
  int mEntryDepth = 0;
  bool mCloseRequested = false;
};
