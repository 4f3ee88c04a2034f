#include "editor/controls/fader_control.h"

#include "editor/controls/control_math.h"
#include "editor/igraphics.h"

namespace {

IRECT FaderRect(int x, int y, int len, const IBitmap& handle, EDirection direction) {
  if (direction == kVertical) return {x, y, x + handle.W, y + len};
  return {x, y, x + len, y + handle.H};
}

}  // namespace

IFaderControl::IFaderControl(IEffectBase* plug, int x, int y, int len, int paramIdx,
                             const IBitmap& handle, EDirection direction, bool onlyHandle)
    : IControl(plug, FaderRect(x, y, len, handle, direction), paramIdx),
      mLen(len),
      mHandleHeadroom(direction == kVertical ? handle.H : handle.W),
      mBitmap(handle),
      mDirection(direction),
      mOnlyHandle(onlyHandle) {}

IRECT IFaderControl::GetHandleRECT(double value) const {
  if (value < 0.) value = GetValue();
  IRECT r(mRect.L, mRect.T, mRect.L + mBitmap.W, mRect.T + mBitmap.H);
  const int travel = mLen - mHandleHeadroom;
  if (mDirection == kHorizontal) {
    const int shift = static_cast<int>(value * travel);
    r.L += shift;
    r.R += shift;
  } else {
    const int shift = static_cast<int>((1. - value) * travel);
    r.T += shift;
    r.B += shift;
  }
  return r;
}

void IFaderControl::OnMouseDown(int x, int y, const IMouseMod& mod) {
  if (mod.Right) {
    PromptUserInput();
    return;
  }
  SnapToMouse(x, y);
}

void IFaderControl::OnMouseDrag(int x, int y, int /*dX*/, int /*dY*/, const IMouseMod& /*mod*/) {
  SnapToMouse(x, y);
}

void IFaderControl::OnMouseWheel(int /*x*/, int /*y*/, const IMouseMod& mod, int d) {
  SetValue(GetValue() + WheelStep(mod, d));
  SetDirty(true);
}

void IFaderControl::SnapToMouse(int x, int y) {
  const int half = mHandleHeadroom / 2;
  const int travel = mLen - mHandleHeadroom;
  // A track no longer than the handle has nowhere to slide.
  if (travel > 0) {
    if (mDirection == kHorizontal) {
      SetValue(static_cast<double>(x - mRect.L - half) / travel);
    } else {
      SetValue(1. - static_cast<double>(y - mRect.T - half) / travel);
    }
  }
  SetDirty(true);
}

bool IFaderControl::Draw(IGraphics* graphics) {
  return graphics->DrawBitmap(mBitmap, GetHandleRECT(), 1, &mBlend);
}

bool IFaderControl::IsHit(int x, int y) {
  return mOnlyHandle ? GetHandleRECT().Contains(x, y) : mTargetRect.Contains(x, y);
}
