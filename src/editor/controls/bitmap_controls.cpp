#include "editor/controls/bitmap_controls.h"

#include "editor/controls/control_math.h"
#include "editor/igraphics.h"

IBitmapControl::IBitmapControl(IEffectBase* plug, int x, int y, int paramIdx, const IBitmap& bitmap,
                               EBlendMethod blendMethod)
    : IControl(plug, IRECT(x, y, bitmap), paramIdx, {blendMethod, 1.0f}), mBitmap(bitmap) {}

bool IBitmapControl::Draw(IGraphics* graphics) {
  const int frame = FrameForValue(GetValue(), mBitmap.N);
  // Grayed out, or blended otherwise, it is drawn as it is.
  if (IsOpaque() && graphics->DrawComposed(mBitmap, frame, mUnder, mRect, &mPatch)) return true;
  mPatch.mShownFrame = 0;
  return graphics->DrawBitmap(mBitmap, mRect, frame, &mBlend);
}

IRECT IBitmapControl::DirtyArea() {
  // Hidden, the surface shows what lies beneath until it draws again whole.
  if (IsHidden()) mPatch.mShownFrame = 0;
  if (!IsOpaque() || !mGraphics) return mRect;
  return mGraphics->ComposedDirtyArea(mBitmap, FrameForValue(GetValue(), mBitmap.N), mUnder, mRect,
                                      mPatch);
}

void ISwitchControl::OnMouseDown(int /*x*/, int /*y*/, const IMouseMod& /*mod*/) {
  double value = GetValue() + (mBitmap.N >= 2 ? 1.0 / (mBitmap.N - 1) : 1.0);
  // The margin absorbs the rounding of the steps.
  if (value > 1.001) value = 0.0;
  SetValue(value);
  SetDirty(true);
}

ISwitchPopUpControl::ISwitchPopUpControl(IEffectBase* plug, int x, int y, int paramIdx,
                                         const IBitmap& bitmap, EBlendMethod blendMethod)
    : ISwitchControl(plug, x, y, paramIdx, bitmap, blendMethod) {
  mPromptDisabled = false;
}

void ISwitchPopUpControl::OnMouseDown(int /*x*/, int /*y*/, const IMouseMod& /*mod*/) {
  PromptUserInput();
  SetDirty(true);
}

void IContactControl::OnMouseUp(int /*x*/, int /*y*/, const IMouseMod& /*mod*/) {
  SetValue(0.0);
  SetDirty(true);
}

IBitmapOverlayControl::IBitmapOverlayControl(IEffectBase* plug, int x, int y, int paramIdx,
                                             const IBitmap& bitmap, IRECT targetArea,
                                             EBlendMethod blendMethod)
    : ISwitchControl(plug, x, y, paramIdx, bitmap, blendMethod), mTargetArea(targetArea) {}

bool IBitmapOverlayControl::Draw(IGraphics* graphics) {
  if (GetValue() < 0.5) {
    mTargetRect = mTargetArea;
    return true;
  }
  mTargetRect = mRect;
  return IBitmapControl::Draw(graphics);
}

ISwitchFramesControl::ISwitchFramesControl(IEffectBase* plug, int x, int y, int paramIdx,
                                           const IBitmap& bitmap, bool imagesAreHorizontal,
                                           EBlendMethod blendMethod)
    : ISwitchControl(plug, x, y, paramIdx, bitmap, blendMethod) {
  mPromptDisabled = false;
  const int n = mBitmap.N;
  const IRECT& r = mRect;
  for (int i = 0; i < n; ++i) {
    if (imagesAreHorizontal) {
      const float d = static_cast<float>(r.W()) / static_cast<float>(n);
      const int from = r.L + static_cast<int>(static_cast<float>(i) * d);
      mRects.emplace_back(from, r.T, static_cast<int>(static_cast<float>(from) + d), r.B);
    } else {
      const float d = static_cast<float>(r.H()) / static_cast<float>(n);
      const int from = r.T + static_cast<int>(static_cast<float>(i) * d);
      mRects.emplace_back(r.L, from, r.R, static_cast<int>(static_cast<float>(from) + d));
    }
  }
}

void ISwitchFramesControl::OnMouseDown(int x, int y, const IMouseMod& /*mod*/) {
  if (const auto value = PickValue(mRects, x, y)) SetValue(*value);
  SetDirty(true);
}
