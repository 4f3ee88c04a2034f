// Knobs: a drag or the wheel turns the value; the subclasses draw it as a
// bitmap frame, a line, a rotated bitmap or a rotated mask.
#pragma once

#include <numbers>

#include "editor/controls/control_math.h"
#include "editor/icontrol.h"

inline constexpr double kDefaultGearing = 4.0;

class IKnobControl : public IControl {
 public:
  IKnobControl(IEffectBase* plug, IRECT rect, int paramIdx, EDirection direction = kVertical,
               double gearing = kDefaultGearing)
      : IControl(plug, rect, paramIdx), mDirection(direction), mGearing(gearing) {}

  // The whole range takes a drag of gearing times the control's extent, ten
  // times that with Ctrl or Shift; moving up or right raises the value.
  void OnMouseDrag(int x, int y, int dX, int dY, const IMouseMod& mod) override;
  void OnMouseWheel(int x, int y, const IMouseMod& mod, int d) override;

 protected:
  // The value's angle between the two bounds.
  double Angle(double minAngle, double maxAngle) const {
    return minAngle + GetValue() * (maxAngle - minAngle);
  }

  EDirection mDirection;
  double mGearing;
};

// One frame of a bitmap per value step.
class IKnobMultiControl : public IKnobControl {
 public:
  IKnobMultiControl(IEffectBase* plug, int x, int y, int paramIdx, const IBitmap& bitmap,
                    EDirection direction = kVertical, double gearing = kDefaultGearing);

  bool ShowsValueChange(double from, double to) const override {
    return FrameForValue(from, mBitmap.N) != FrameForValue(to, mBitmap.N);
  }
  bool Draw(IGraphics* graphics) override;

 protected:
  IBitmap mBitmap;
};

// A line from the centre outward, 0 pointing up, angles growing clockwise.
class IKnobLineControl : public IKnobControl {
 public:
  IKnobLineControl(IEffectBase* plug, IRECT rect, int paramIdx, const IColor& color,
                   double innerRadius = 0., double outerRadius = 0.,
                   double minAngle = -0.75 * std::numbers::pi,
                   double maxAngle = 0.75 * std::numbers::pi, EDirection direction = kVertical,
                   double gearing = kDefaultGearing);

  bool Draw(IGraphics* graphics) override;

 protected:
  IColor mColor;
  float mMinAngle, mMaxAngle, mInnerRadius, mOuterRadius;
};

// The bitmap turned about its centre (moved down by yOffset); angles in radians.
class IKnobRotaterControl : public IKnobControl {
 public:
  IKnobRotaterControl(IEffectBase* plug, int x, int y, int paramIdx, const IBitmap& bitmap,
                      double minAngle = -0.75 * std::numbers::pi,
                      double maxAngle = 0.75 * std::numbers::pi, int yOffset = 0,
                      EDirection direction = kVertical, double gearing = kDefaultGearing);

  bool Draw(IGraphics* graphics) override;

 protected:
  IBitmap mBitmap;
  double mMinAngle, mMaxAngle;
  int mYOffset;
};

// A base, a mask turned by the value and a top layer; angles in degrees.
class IKnobRotatingMaskControl : public IKnobControl {
 public:
  IKnobRotatingMaskControl(IEffectBase* plug, int x, int y, int paramIdx, const IBitmap& base,
                           const IBitmap& mask, const IBitmap& top, double minAngle = -151.,
                           double maxAngle = 151., EDirection direction = kVertical,
                           double gearing = kDefaultGearing);

  bool Draw(IGraphics* graphics) override;

 protected:
  IBitmap mBase, mMask, mTop;
  double mMinAngle, mMaxAngle;
};
