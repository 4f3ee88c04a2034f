// One plug-in instance as a format adapter holds it: the plug-in it owns, the
// set-up every format makes the same way, and the guard around every call the
// host makes into it. Each call runs under the plug-in's mutex and lets
// nothing unwind into the host. A host may close the instance from inside a
// callback the plug-in made while serving one of its calls: the close then
// waits until that call has returned.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <utility>

#include "framework/ieffect_base.h"

class PlugInstance {
 public:
  // Blocks of this many frames until the host says how long its blocks are.
  static constexpr int kDefaultBlockSize = 1024;

  // A new plug-in from its maker, under a process-wide lock (hosts create
  // instances on several threads at once) and with a preset to show; null
  // when it could not be made.
  static std::unique_ptr<IEffectBase> MakePlug(
      const std::function<std::unique_ptr<IEffectBase>()>& make);  // host

  explicit PlugInstance(std::unique_ptr<IEffectBase> plug) : mPlug(std::move(plug)) {}
  virtual ~PlugInstance() { DestroyPlug(); }
  PlugInstance(const PlugInstance&) = delete;
  PlugInstance& operator=(const PlugInstance&) = delete;

  IEffectBase& Plug() { return *mPlug; }
  const IEffectBase& Plug() const { return *mPlug; }

  // The set-up every format makes, in the order hosts call for it. Connect:
  // every channel in use, the default block size, the adapter as the
  // plug-in's host.
  void Connect(IPlugHost* host, EAPI api);  // host
  // The host's first call: the plug-in learns who hosts it and puts every
  // parameter into its engine.
  void Open();  // host
  // A new rate or longest block, each leaving the engine cleared; a rate
  // that is no finite positive number is refused, the old one staying.
  void SetSampleRate(double sampleRate);  // host
  void SetMaxBlockSize(int frames);       // host
  // Processing starts or stops; stopped, the engine is cleared.
  void SetActive(bool active);  // host

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
