// A lamp the plug-in lights and only the user puts out: two frames, off and
// lit; a click (or a double click) on a lit lamp turns it off, and tells
// whatever the plug-in ties to it (a peak reading).
#pragma once

#include <functional>
#include <utility>

#include "editor/controls/bitmap_controls.h"

class LatchLampControl : public IBitmapControl {
 public:
  LatchLampControl(IEffectBase* plug, int x, int y, const IBitmap& bitmap)
      : IBitmapControl(plug, x, y, -1, bitmap, kBlendNone) {}

  bool IsLit() const { return GetValue() >= 0.5; }
  void SetOnPutOut(std::function<void()> onPutOut) { mOnPutOut = std::move(onPutOut); }

  // Off, without telling.
  void PutOut() {
    SetValue(0.);
    SetDirty(false);
  }
  void OnMouseDown(int /*x*/, int /*y*/, const IMouseMod& /*mod*/) override {
    PutOut();
    if (mOnPutOut) mOnPutOut();
  }
  void OnMouseDblClick(int x, int y, const IMouseMod& mod) override { OnMouseDown(x, y, mod); }

 private:
  std::function<void()> mOnPutOut;
};
