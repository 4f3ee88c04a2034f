// A rectangle filled with one colour.
#pragma once

#include "editor/icontrol.h"
#include "editor/igraphics.h"

class IPanelControl : public IControl {
 public:
  IPanelControl(IEffectBase* plug, IRECT rect, const IColor& color)
      : IControl(plug, rect), mColor(color) {}

  bool Draw(IGraphics* graphics) override { return graphics->FillIRect(mColor, mRect, &mBlend); }

 protected:
  IColor mColor;
};
