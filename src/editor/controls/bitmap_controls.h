// Controls that show one frame of a bitmap chosen by their value, and the
// switches built on them.
#pragma once

#include <vector>

#include "editor/controls/control_math.h"
#include "editor/icontrol.h"

// A bitmap frame chosen by value; unbound, a static picture.
class IBitmapControl : public IControl {
 public:
  IBitmapControl(IEffectBase* plug, int x, int y, int paramIdx, const IBitmap& bitmap,
                 EBlendMethod blendMethod = kBlendNone);

  bool ShowsValueChange(double from, double to) const override {
    return FrameForValue(from, mBitmap.N) != FrameForValue(to, mBitmap.N);
  }
  bool Draw(IGraphics* graphics) override;
  // Its frames over this picture beneath them, composed once (a meter over
  // the editor's background): drawn by one copy each time.
  void ComposeOver(const IBitmap& under) { mUnder = under; }
  // Composed, it covers what lies beneath.
  bool IsOpaque() const override {
    return mUnder.IsValid() && mBlend.mMethod == kBlendNone && mBlend.mWeight == 1.0f;
  }
  // Composed, only where the frame shown and the new one differ.
  IRECT DirtyArea() override;

 protected:
  IBitmap mBitmap;

 private:
  IBitmap mUnder;
  ComposedPatch mPatch;
};

// Each press steps to the next frame's value, wrapping after the last.
class ISwitchControl : public IBitmapControl {
 public:
  using IBitmapControl::IBitmapControl;

  void OnMouseDown(int x, int y, const IMouseMod& mod) override;
  // A fast second click steps again.
  void OnMouseDblClick(int x, int y, const IMouseMod& mod) override { OnMouseDown(x, y, mod); }
};

// A press opens the parameter's value prompt; prompts are enabled.
class ISwitchPopUpControl : public ISwitchControl {
 public:
  ISwitchPopUpControl(IEffectBase* plug, int x, int y, int paramIdx, const IBitmap& bitmap,
                      EBlendMethod blendMethod = kBlendNone);

  void OnMouseDown(int x, int y, const IMouseMod& mod) override;
};

// On only while held: a press steps it, the release sets it back to 0.
class IContactControl : public ISwitchControl {
 public:
  using ISwitchControl::ISwitchControl;

  void OnMouseUp(int x, int y, const IMouseMod& mod) override;
};

// Drawn only while on; while off, it is hit only inside the target area.
class IBitmapOverlayControl : public ISwitchControl {
 public:
  IBitmapOverlayControl(IEffectBase* plug, int x, int y, int paramIdx, const IBitmap& bitmap,
                        IRECT targetArea, EBlendMethod blendMethod = kBlendNone);

  // Shown or hidden by the value, whatever its frames.
  bool ShowsValueChange(double from, double to) const override {
    return (from < 0.5) != (to < 0.5) || ISwitchControl::ShowsValueChange(from, to);
  }
  bool Draw(IGraphics* graphics) override;

 protected:
  IRECT mTargetArea;
};

// A press on a frame's part of the control chooses that frame.
class ISwitchFramesControl : public ISwitchControl {
 public:
  ISwitchFramesControl(IEffectBase* plug, int x, int y, int paramIdx, const IBitmap& bitmap,
                       bool imagesAreHorizontal = false, EBlendMethod blendMethod = kBlendNone);

  void OnMouseDown(int x, int y, const IMouseMod& mod) override;
  const std::vector<IRECT>& GetFrameRects() const { return mRects; }

 protected:
  std::vector<IRECT> mRects;
};
