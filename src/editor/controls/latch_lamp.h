// A lamp the plug-in lights and only the user puts out: two frames, off and
// lit; a click (or a double click) on a lit lamp turns it off.
#pragma once

#include "editor/controls/bitmap_controls.h"

class LatchLampControl : public IBitmapControl {
 public:
  LatchLampControl(IEffectBase* plug, int x, int y, const IBitmap& bitmap)
      : IBitmapControl(plug, x, y, -1, bitmap, kBlendNone) {}

  bool IsLit() const { return GetValue() >= 0.5; }

  void OnMouseDown(int /*x*/, int /*y*/, const IMouseMod& /*mod*/) override {
    if (!IsLit()) return;
    SetValue(0.);
    SetDirty(false);
  }
  void OnMouseDblClick(int x, int y, const IMouseMod& mod) override { OnMouseDown(x, y, mod); }
};
