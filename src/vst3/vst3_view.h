// The VST3 binary interface: the editor's view, embedded in a window
// of the host's, and the host's frame around it. Sizes are physical pixels.
// Everything here runs on the host's UI thread.
#pragma once

#include <cstddef>

#include "vst3/vst3_base.h"

namespace vst3 {

// The one platform type on Linux: `parent` is an X11 window id.
constexpr const char* kPlatformTypeX11EmbedWindowID = "X11EmbedWindowID";
constexpr const char* kEditorViewType = "editor";

struct ViewRect {
  int32 left;
  int32 top;
  int32 right;
  int32 bottom;

  int32 Width() const { return right - left; }
  int32 Height() const { return bottom - top; }
};
static_assert(sizeof(ViewRect) == 16);

class IPlugFrame;

class IPlugView : public FUnknown {
 public:
  static constexpr Iid kIid = MakeIid(0x5BC32507, 0xD06049EA, 0xA6151B52, 0x2B755B29);
  using Base = FUnknown;

  virtual tresult isPlatformTypeSupported(FIDString type) = 0;  // host UI
  // Make the editor a child of `parent` and show it.
  virtual tresult attached(void* parent, FIDString type) = 0;  // host UI
  // The parent is about to go: the editor's windows go first.
  virtual tresult removed() = 0;                // host UI
  virtual tresult onWheel(float distance) = 0;  // host UI
  // kResultTrue only for a key the editor used.
  virtual tresult onKeyDown(char16 key, int16 keyCode, int16 modifiers) = 0;  // host UI
  virtual tresult onKeyUp(char16 key, int16 keyCode, int16 modifiers) = 0;    // host UI
  // Asked before attached too.
  virtual tresult getSize(ViewRect* size) = 0;  // host UI
  // The host resized its frame: the editor follows.
  virtual tresult onSize(ViewRect* newSize) = 0;  // host UI
  virtual tresult onFocus(TBool state) = 0;       // host UI
  // The host's frame (the run loop is queried from it); null on teardown.
  virtual tresult setFrame(IPlugFrame* frame) = 0;          // host UI
  virtual tresult canResize() = 0;                          // host UI
  virtual tresult checkSizeConstraint(ViewRect* rect) = 0;  // host UI; in/out

 protected:
  ~IPlugView() = default;
};

// The host's window around a view.
class IPlugFrame : public FUnknown {
 public:
  static constexpr Iid kIid = MakeIid(0x367FAF01, 0xAFA94693, 0x8D4DA2A0, 0xED0882A3);
  using Base = FUnknown;

  // The view asks for a new size; the host may call onSize before returning.
  virtual tresult resizeView(IPlugView* view, ViewRect* newSize) = 0;  // host UI

 protected:
  ~IPlugFrame() = default;
};

// Optional: the host's scale for the view (1.0, 1.5, 2.0 ...).
class IPlugViewContentScaleSupport : public FUnknown {
 public:
  static constexpr Iid kIid = MakeIid(0x65ED9690, 0x8AC44525, 0x8AADEF7A, 0x72EA703F);
  using Base = FUnknown;

  virtual tresult setContentScaleFactor(float factor) = 0;  // host UI

 protected:
  ~IPlugViewContentScaleSupport() = default;
};

}  // namespace vst3
