// Darkens the strips while the whole console is bypassed, so that the state
// shows from across the room and not only on the switch's small lamp. It
// takes no clicks: the controls beneath keep working.
#pragma once

#include "editor/icontrol.h"
#include "editor/igraphics.h"

class BypassShade : public IControl {
 public:
  BypassShade(IEffectBase* plug, IRECT rect) : IControl(plug, rect) {}

  bool IsHit(int /*x*/, int /*y*/) override { return false; }  // editor
  bool Draw(IGraphics* graphics) override {                    // editor
    if (GetValue() < 0.5) return true;
    return graphics->FillIRect(IColor(110, 0, 0, 0), mRect, nullptr);
  }
};
