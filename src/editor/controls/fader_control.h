// A handle bitmap sliding along a track; a press or drag snaps it to the mouse.
#pragma once

#include "editor/icontrol.h"

class IFaderControl : public IControl {
 public:
  // Vertical: (x, y) to (x + handle width, y + len); horizontal: (x, y) to
  // (x + len, y + handle height).
  IFaderControl(IEffectBase* plug, int x, int y, int len, int paramIdx, const IBitmap& handle,
                EDirection direction = kVertical, bool onlyHandle = false);

  // The handle at a value; a negative value means the current one.
  IRECT GetHandleRECT(double value = -1.0) const;

  void OnMouseDown(int x, int y, const IMouseMod& mod) override;
  void OnMouseDrag(int x, int y, int dX, int dY, const IMouseMod& mod) override;
  void OnMouseWheel(int x, int y, const IMouseMod& mod, int d) override;
  bool Draw(IGraphics* graphics) override;
  bool IsHit(int x, int y) override;
  virtual void SnapToMouse(int x, int y);

 protected:
  int mLen;
  int mHandleHeadroom;
  IBitmap mBitmap;
  EDirection mDirection;
  bool mOnlyHandle;
};
