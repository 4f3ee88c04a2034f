#include "editor/controls/knob_controls.h"

#include "editor/controls/control_math.h"
#include "editor/igraphics.h"

void IKnobControl::OnMouseDrag(int /*x*/, int /*y*/, int dX, int dY, const IMouseMod& mod) {
  const double gearing = (mod.Ctrl || mod.Shift) ? mGearing * 10. : mGearing;
  const int extent = mDirection == kHorizontal ? mRect.W() : mRect.T - mRect.B;
  // A knob of no extent or gearing has no travel to divide by.
  if (extent != 0 && gearing != 0.) {
    const double delta = mDirection == kHorizontal ? dX : dY;
    SetValue(GetValue() + delta / extent / gearing);
  }
  SetDirty(true);
}

void IKnobControl::OnMouseWheel(int /*x*/, int /*y*/, const IMouseMod& mod, int d) {
  SetValue(GetValue() + WheelStep(mod, d));
  SetDirty(true);
}

IKnobMultiControl::IKnobMultiControl(IEffectBase* plug, int x, int y, int paramIdx,
                                     const IBitmap& bitmap, EDirection direction, double gearing)
    : IKnobControl(plug, IRECT(x, y, bitmap), paramIdx, direction, gearing), mBitmap(bitmap) {}

bool IKnobMultiControl::Draw(IGraphics* graphics) {
  return graphics->DrawBitmap(mBitmap, mRect, FrameForValue(GetValue(), mBitmap.N), &mBlend);
}

IKnobLineControl::IKnobLineControl(IEffectBase* plug, IRECT rect, int paramIdx, const IColor& color,
                                   double innerRadius, double outerRadius, double minAngle,
                                   double maxAngle, EDirection direction, double gearing)
    : IKnobControl(plug, rect, paramIdx, direction, gearing),
      mColor(color),
      mMinAngle(static_cast<float>(minAngle)),
      mMaxAngle(static_cast<float>(maxAngle)),
      mInnerRadius(static_cast<float>(innerRadius)),
      mOuterRadius(static_cast<float>(outerRadius == 0. ? rect.W() * 0.5 : outerRadius)) {
  mBlend = {kBlendClobber, 1.0f};
}

bool IKnobLineControl::Draw(IGraphics* graphics) {
  const auto angle =
      static_cast<float>(Angle(static_cast<double>(mMinAngle), static_cast<double>(mMaxAngle)));
  return graphics->DrawRadialLine(mColor, mRect.MW(), mRect.MH(), angle, mInnerRadius, mOuterRadius,
                                  &mBlend, true);
}

IKnobRotaterControl::IKnobRotaterControl(IEffectBase* plug, int x, int y, int paramIdx,
                                         const IBitmap& bitmap, double minAngle, double maxAngle,
                                         int yOffset, EDirection direction, double gearing)
    : IKnobControl(plug, IRECT(x, y, bitmap), paramIdx, direction, gearing),
      mBitmap(bitmap),
      mMinAngle(minAngle),
      mMaxAngle(maxAngle),
      mYOffset(yOffset) {}

bool IKnobRotaterControl::Draw(IGraphics* graphics) {
  return graphics->DrawRotatedBitmap(mBitmap, (mRect.L + mRect.R) / 2, (mRect.T + mRect.B) / 2,
                                     Angle(mMinAngle, mMaxAngle), mYOffset, &mBlend);
}

IKnobRotatingMaskControl::IKnobRotatingMaskControl(IEffectBase* plug, int x, int y, int paramIdx,
                                                   const IBitmap& base, const IBitmap& mask,
                                                   const IBitmap& top, double minAngle,
                                                   double maxAngle, EDirection direction,
                                                   double gearing)
    : IKnobControl(plug, IRECT(x, y, base), paramIdx, direction, gearing),
      mBase(base),
      mMask(mask),
      mTop(top),
      mMinAngle(minAngle),
      mMaxAngle(maxAngle) {}

bool IKnobRotatingMaskControl::Draw(IGraphics* graphics) {
  return graphics->DrawRotatedMask(mBase, mMask, mTop, mRect.L, mRect.T,
                                   Angle(mMinAngle, mMaxAngle), &mBlend);
}
