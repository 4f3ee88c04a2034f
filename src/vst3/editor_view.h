// The plug-in's editor as a view embedded in the host's window. The editor
// keeps its own thread and X connection for drawing and input, and calls
// nothing of the host: the host's run loop drives the hand-over. A timer
// registered with it delivers the edits the editor queued, on the host's UI
// thread, the one place the component handler is called from; removing the
// view stops the timer and the editor.
#pragma once

#include "vst3/ref_counted.h"
#include "vst3/ref_ptr.h"
#include "vst3/vst3_abi.h"

class Vst3Plugin;

class EditorView final
    : public vst3::RefCounted<vst3::IPlugView, vst3::IPlugViewContentScaleSupport,
                              vst3::ITimerHandler> {
 public:
  // Holds a reference to the plug-in: a view never outlives it.
  explicit EditorView(Vst3Plugin& plugin);
  ~EditorView() override;

  vst3::tresult isPlatformTypeSupported(vst3::FIDString type) override;
  vst3::tresult attached(void* parent, vst3::FIDString type) override;
  vst3::tresult removed() override;
  vst3::tresult onWheel(float distance) override;
  vst3::tresult onKeyDown(vst3::char16 key, vst3::int16 keyCode, vst3::int16 modifiers) override;
  vst3::tresult onKeyUp(vst3::char16 key, vst3::int16 keyCode, vst3::int16 modifiers) override;
  vst3::tresult getSize(vst3::ViewRect* size) override;
  vst3::tresult onSize(vst3::ViewRect* newSize) override;
  vst3::tresult onFocus(vst3::TBool state) override;
  vst3::tresult setFrame(vst3::IPlugFrame* frame) override;
  vst3::tresult canResize() override;
  vst3::tresult checkSizeConstraint(vst3::ViewRect* rect) override;
  vst3::tresult setContentScaleFactor(float factor) override;
  void onTimer() override;

  // The editor took a new size: the host's frame follows. UI thread.
  void Resized(int width, int height);

 private:
  static constexpr vst3::uint64 kTimerMilliseconds = 20;

  vst3::ViewRect CurrentSize() const;
  void StartTimer();
  void StopTimer();
  vst3::tresult Key(vst3::char16 key, bool down);

  Vst3Plugin& mPlugin;
  vst3::RefPtr<vst3::IEditController> mKeepAlive;
  vst3::RefPtr<vst3::IPlugFrame> mFrame;
  vst3::RefPtr<vst3::IRunLoop> mRunLoop;
  void* mParent = nullptr;
  bool mAttached = false;
  bool mTimerRunning = false;
};
